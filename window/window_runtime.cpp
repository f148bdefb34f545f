#include "window/window_runtime.h"

#include "window/alpha_images.h"
#include "window/event.h"
#include "window/window.h"

#include "base/arrays.h"
#include "base/strings.h"

void WindowRuntimeStart()
{
    StringServiceStart();
    ArrayServiceStart();
    ImageLayerStart();
    EventQueueStart();
    WindowLayerStart();
}
