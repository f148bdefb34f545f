#include "gadget/runtime.h"

#include "gadget/font.h"
#include "gadget/gadget.h"

#include "window/window.h"
#include "window/window_runtime.h"

#include "base/memory.h"

#include <commctrl.h>

void RuntimeStart()
{
    WindowRuntimeStart();
    FontLibraryStart();
    GadgetLibraryStart();
    MemoryServiceStart();
    InitCommonControls();
}

void RuntimeEnd()
{
    // The memory service, started after the toolkits, ends before them,
    // though it has nothing to release.
    MemoryServiceEnd();
    WindowCloseAll();
    FontLibraryStop();
}
