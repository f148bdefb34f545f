#pragma once
// The client's window made inside a test process as the program makes it:
// the runtime, once per process, then the fonts, the window and its gadgets.

#include "app/client/main_window.h"

#include "base/heap.h"
#include "gadget/runtime.h"

inline void StartClientWindow()
{
    MainHeap = HeapOpen();
    RuntimeStart();
    OpenClientFonts();
    OpenMainWindow();
    CreateClientGadgets();
}
