#pragma once
// The port list's entries: COM1 to COM4 always, then every serial port the
// system reports, brought up to date each time the user opens the list; and
// the port the program starts on.

#include "app/logger/port_names.h"

// The key under HKEY_CURRENT_USER where the program keeps what it remembers
// between runs: the port, the watch's interval.
inline constexpr char SettingsKey[] = "Software\\Korvane";

// COM1 to COM4 and the ports the system reports, COM2 selected; from then on
// each opening of the list brings it up to date before it is drawn.
void FillPortList();

// Adds the ports that appeared since and removes those that are gone, never
// COM1 to COM4 nor the selected one. The selection stays as it is and the
// port is not touched.
void UpdatePortList();

// Selects the port the command line named (empty for none), adding it to
// the list when it is a COMn port the system does not report; without one,
// the port remembered from the last run when it is listed. Otherwise the
// selection stays.
void SelectStartPort(const char* port);

// The port the list shows selected; empty when it is no port name.
void SelectedPortName(PortNameText& name);

// Remembers the open port for the next start. Does nothing without an open
// port, or when the registry refuses.
void RememberOpenPort();
