#pragma once
// Serial port names as the port list orders and keeps them. Portable: the
// program gathers the names the system reports and hands them here.

#include <cstdint>

// Longer names are not taken as port names.
inline constexpr std::int32_t PortNameMaximum = 63;
// Ports beyond this many are left out of the list.
inline constexpr std::int32_t PortListMaximum = 96;

using PortNameText = char[PortNameMaximum + 1];

// Names in list order, each once.
struct PortNameList {
    std::int32_t count;
    PortNameText names[PortListMaximum];
};

// n for "COMn" (n from 1, no leading zero, "COM" in any case); 0 for every
// other name.
std::int32_t PortNumber(const char* name);

// A name the list can show and the serial library can open as a device:
// 1 to PortNameMaximum printable ASCII characters, none of them a space or a
// character the device path or the settings string gives a meaning to
// (\ / : * ? " < > |).
bool IsPortName(const char* name);

// List order: COMn names by number (so COM1 to COM4 come first), then the
// other names byte by byte ignoring ASCII case. 0 means the same port.
std::int32_t ComparePortNames(const char* a, const char* b);

// Puts the name at its place unless the list already has that port; names
// that are not port names, and names beyond a full list, are left out.
void PortListAdd(PortNameList& list, const char* name);

// Brings `shown` (in list order) to `wanted` (in list order) with the fewest
// removals and insertions, calling back with positions in the list as it
// stands at each call. Entries present in both stay where they are.
struct PortListEdits {
    void (*remove)(std::int32_t position);
    void (*insert)(std::int32_t position, const char* name);
};
void PortListReconcile(const PortNameList& shown, const PortNameList& wanted, const PortListEdits& edits);
