#pragma once
// The protocol's and the dump's effects carried out on the main window's
// gadgets and through error requesters.

// Installs them; before the first command sequence runs.
void InstallClientEffects();
