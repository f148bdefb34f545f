#pragma once
// The message requester: a message box that is modal to every window of the
// calling thread, not only to its owner.

#include "base/block_list.h"
#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// One window the requester disabled, and the thread that disabled it.
struct DisabledWindow {
    DWORD threadId;
    HWND window;
};

// The windows disabled while a message box is open, newest first; empty
// otherwise.
extern ListBlock* DisabledWindowList;

// The window that owns every requester from now on, while it exists, also
// when another program is in front: the box then never hides behind it, and
// the window's taskbar button flashes until the user comes back. -1 (the
// start) leaves the owner to the foreground window, when it is this
// program's.
void MessageDialogSetOwner(ObjectNumber window);

// Shows a message box and returns the button chosen (IDOK, IDCANCEL, ...; 0
// when the box cannot be shown). title and text are Windows-1251 byte strings
// and are shown as such whatever the machine's code page; flags are the
// MessageBox flags, unchanged.
std::int32_t MessageDialog(const char* title, const char* text, std::uint32_t flags);
// The same for text that is wide already, such as file names and the
// system's own messages, which need not fit code page 1251.
std::int32_t MessageDialogWide(const wchar_t* title, const wchar_t* text, std::uint32_t flags);
