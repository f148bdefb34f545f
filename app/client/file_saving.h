#pragma once
// Saving a file the user names, and opening one: the system's Save and Open
// dialogs, with the program's conventions (a proposed name in a proposed
// folder, a prompt before an existing file is replaced), and a write that
// replaces the chosen file only once every byte of the new one is on disk.

#include <windows.h>

#include <cstddef>

inline constexpr DWORD SavePathCapacity = 1024;

struct SaveChoice {
    HWND owner;
    const char* title;      // Windows-1251, as the messages are
    const char* filterName; // the file type's name in the dialog's list
    const wchar_t* pattern; // and its pattern
    const wchar_t* extension;
    int folder; // a CSIDL_ folder the dialog opens in
    const wchar_t* name; // proposed; null for none
};

// The file the user chose, in path; false when the dialog was cancelled, or
// the system has none. The dialog's libraries, and COM, start with the first
// call.
bool AskWhereToSave(const SaveChoice& choice, wchar_t* path, DWORD capacity);
// The system's Open dialog, for a file that exists.
bool AskWhichToOpen(const SaveChoice& choice, wchar_t* path, DWORD capacity);

// Writes a new file in the target's folder and moves it into the target's
// place once every byte is flushed; 0, or the system's error code with the
// new file removed and the target untouched.
DWORD ReplaceFileSafely(const wchar_t* target, const unsigned char* bytes, std::size_t size);
