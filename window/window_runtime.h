#pragma once
// The start of the layers up to the window toolkit, in their order: the
// string and array services, then the image decision, the event queue and
// the window layer. The gadget layer's RuntimeStart begins with it and adds
// its own steps; the window layer's tests start with it alone.

// Once per process, after the main heap exists.
void WindowRuntimeStart();
