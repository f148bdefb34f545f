#pragma once
// The runtime's start and end steps, above every library they start. This is
// the one place that states their order; the program's entry calls
// RuntimeStart once its main heap exists and RuntimeEnd once it has decided
// to quit.

void RuntimeStart();
void RuntimeEnd();
