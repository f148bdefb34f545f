#pragma once
// The line settings a port is given, and how a handshake type changes them;
// kept apart from the port calls so that they can be checked whole on a line
// that cannot hold all of them.

#include <windows.h>

#include <cstdint>

// Builds the whole line from zero, then lets the platform's parser read the
// settings after the name's ':' (none without one) and applies the handshake.
// Nothing the DCB held before survives, as nothing the port's earlier program
// left in the driver may. False when the parser rejects the settings.
bool BuildLineSettings(DCB& dcb, const char* settings, std::int32_t handshake, std::int32_t inputQueue);

// Types outside the table (Handshake in port.h) leave the settings as they are.
void ApplyHandshake(DCB& dcb, std::int32_t handshake, std::int32_t inputQueue);
