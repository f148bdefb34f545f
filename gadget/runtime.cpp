#include "gadget/runtime.h"

#include "gadget/font.h"
#include "gadget/gadget.h"

#include "window/window.h"
#include "window/window_runtime.h"

#include "base/memory.h"

#include <commctrl.h>
#include <objbase.h>

void RuntimeStart()
{
    WindowRuntimeStart();
    FontLibraryStart();
    GadgetLibraryStart();
    MemoryServiceStart();
    InitCommonControls();
    // Never uninitialised: the thread stays a COM thread until the process ends.
    CoInitialize(nullptr);
}

void RuntimeEnd()
{
    // The memory service, started after the toolkits, ends before them,
    // though it has nothing to release.
    MemoryServiceEnd();
    WindowCloseAll();
    FontLibraryStop();
}
