#pragma once
// How a handshake type changes the line settings that the settings string
// produced; kept apart from the port calls so that the table can be checked
// on a line that cannot hold all of it.

#include <windows.h>

#include <cstdint>

// Types outside the table (Handshake in port.h) leave the settings as they are.
void ApplyHandshake(DCB& dcb, std::int32_t handshake, std::int32_t inputQueue);
