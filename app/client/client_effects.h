#pragma once
// The protocol's and the dump's effects carried out on the main window's
// gadgets and through error requesters.

// Installs them; before the first command sequence runs.
void InstallClientEffects();

// A line added to the log as the protocol's lines are, from wide text: a
// file's path or the system's reason need not fit code page 1251.
void AddToLogWide(const wchar_t* text);
