#pragma once
// The runtime's start and end steps, above every library they start: the
// window layer's start (WindowRuntimeStart, which orders the steps up to
// that layer), then the fonts, the gadgets, the memory service and the common
// controls. COM starts with the first Save dialog, which needs it. The
// program's entry calls RuntimeStart once its main heap exists and RuntimeEnd
// once it has decided to quit.

void RuntimeStart();
void RuntimeEnd();
