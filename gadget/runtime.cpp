#include "gadget/runtime.h"

#include "gadget/font.h"
#include "gadget/gadget.h"

#include "window/alpha_images.h"
#include "window/event.h"
#include "window/window.h"

#include "base/arrays.h"
#include "base/memory.h"
#include "base/strings.h"

#include <commctrl.h>
#include <objbase.h>

void RuntimeStart()
{
    StringServiceStart();
    ArrayServiceStart();
    FontLibraryStart();
    ImageLayerStart();
    EventQueueStart();
    WindowLayerStart();
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
