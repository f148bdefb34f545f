#pragma once
// Events that the program's worker threads (a port's open, the record
// file's writer) raise for the loop. The toolkit's event queue belongs to
// the window's thread, so a worker posts a message to the main window, and
// the window's thread turns it into the event; a requester's or a menu's own
// loop only queues it.

#include <windows.h>

#include <cstdint>

// On the window's thread, before a worker may post: the window takes the
// workers' messages. Installed twice, it stays installed once.
void AcceptThreadEvents(HWND window);

// From any thread: the event `code` reaches the loop of `window` (the main
// window's handle, taken on the window's thread).
void PostThreadEvent(HWND window, std::int32_t code);
