#pragma once
// The system's notices of serial ports that come and go. Windows sends every
// top-level window WM_DEVICECHANGE with DBT_DEVICEARRIVAL and
// DBT_DEVICEREMOVECOMPLETE for the ports of drivers of the Ports class,
// naming the port, with no registration. The main window queues each as an
// event and the loop acts on it: the open port removed is closed at once (a
// dead handle would keep an adapter that comes back from taking its name),
// the lost port arriving is opened again without a word, and an open port
// list is brought up to date. Ports of other drivers send nothing; the next
// command still finds such a port gone.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// The event code that notices have come: the message's own number. The
// notices wait with their port's names, in the order they came, and each is
// judged against the port chosen when the loop takes it.
constexpr std::int32_t PortNoticeEvent = WM_DEVICECHANGE;

// Once the main window exists: its notices become events.
void InstallPortNotices();

// Acts on every notice that waits.
void HandlePortNotices();
