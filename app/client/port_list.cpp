#include "app/client/port_list.h"

#include "app/logger/logger_state.h"
#include "app/client/client_gadgets.h"
#include "app/logger/port_names.h"
#include "app/client/port_selection.h"

#include "gadget/gadget.h"
#include "gadget/gadget_kinds.h"

#include "base/heap.h"
#include "base/strings.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr std::int32_t FixedPortCount = 4; // COM1 to COM4
constexpr std::int32_t StartPortEntry = 1; // zero-based: COM2

// Every serial port the system knows has a value here whose data is its name.
constexpr char SerialPortsKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
// Far more values than any machine has ports; a key that keeps answering
// stops here.
constexpr DWORD SerialPortValuesMaximum = 4096;
// QueryDosDevice names every device of the system in one block, which
// grows from the first size up to the last.
constexpr DWORD DeviceNamesFirstSize = 16384;
constexpr DWORD DeviceNamesLastSize = 1 << 20;

constexpr char RememberedValue[] = "Port";

// A port name as the registry stores it, terminator included. The buffer
// has one byte more that the registry is not given, so that data stored
// without a terminator still ends in one.
using PortNameData = char[PortNameMaximum + 2];
constexpr DWORD PortNameDataSize = PortNameMaximum + 1;

struct FixedPortName {
    char text[5];
};

// COM1 to COM4.
FixedPortName FixedPort(std::int32_t port) { return {{'C', 'O', 'M', static_cast<char>('0' + port), '\0'}}; }

void AddRegisteredPorts(PortNameList& list)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialPortsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0; index < SerialPortValuesMaximum; ++index) {
        // The values' names are device paths ("\\Device\\Serial0"), far
        // shorter; a longer one is skipped below as a long port name is.
        char valueName[256];
        DWORD valueNameLength = sizeof valueName;
        PortNameData port{};
        DWORD size = PortNameDataSize;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key, index, valueName, &valueNameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port), &size);
        // A value too long for a port name is skipped; anything else ends
        // the walk.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        if (type == REG_SZ)
            PortListAdd(list, port);
    }
    RegCloseKey(key);
}

void AddDevicePorts(PortNameList& list)
{
    for (DWORD size = DeviceNamesFirstSize; size <= DeviceNamesLastSize; size *= 2) {
        auto* names = static_cast<char*>(HeapBlockAlloc(MainHeap, size, false));
        if (!names)
            return;
        const DWORD length = QueryDosDeviceA(nullptr, names, size);
        const bool tooSmall = length == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER;
        // The block is a list of names, each with its terminator, and one
        // more terminator at the end.
        for (DWORD at = 0; at < length && names[at] != '\0'; at += static_cast<DWORD>(std::strlen(names + at)) + 1) {
            if (PortNumber(names + at) != 0)
                PortListAdd(list, names + at);
        }
        HeapBlockFree(MainHeap, names);
        if (!tooSmall)
            return;
    }
}

// The list's entry, or with NoEntry its selected one; a text too long for a
// port name reads as empty.
constexpr std::int32_t NoEntry = -1;
void ReadEntry(std::int32_t entry, PortNameText& name)
{
    const std::int32_t start = TempLength;
    const char* text = entry == NoEntry ? GadgetGetText(PortList, start) : GadgetGetItemText(PortList, entry, start);
    const std::int32_t length = TempLength - start;
    name[0] = '\0';
    if (length <= PortNameMaximum)
        std::memcpy(name, text, static_cast<std::size_t>(length) + 1);
    TempSetLength(start);
}

// The entries as the list shows them, in its order; an entry that is not a
// port name reads as empty, and so is not wanted.
void ReadShownPorts(PortNameList& shown)
{
    shown.count = 0;
    for (std::int32_t entry = 0, count = GadgetCountItems(PortList); entry < count && shown.count < PortListMaximum;
         ++entry)
        ReadEntry(entry, shown.names[shown.count++]);
}

void RemoveEntry(std::int32_t position) { GadgetRemoveItem(PortList, position); }

void InsertEntry(std::int32_t position, const char* name) { GadgetInsertItem(PortList, position, name); }

// Brings the list to COM1-COM4, the kept port and the ports the system
// reports now, and selects the kept port. An entry that is neither goes.
void ListPortsKeeping(const char* kept)
{
    // Two lists are too large for the stack, and as zeroed statics they
    // would be stored in the program file.
    auto* lists = static_cast<PortNameList*>(HeapBlockAlloc(MainHeap, 2 * sizeof(PortNameList), false));
    if (!lists)
        return;
    PortNameList& wanted = lists[0];
    PortNameList& shown = lists[1];
    wanted.count = 0;
    for (std::int32_t port = 1; port <= FixedPortCount; ++port)
        PortListAdd(wanted, FixedPort(port).text);
    PortListAdd(wanted, kept);
    AddRegisteredPorts(wanted);
    AddDevicePorts(wanted);

    ReadShownPorts(shown);
    PortListReconcile(shown, wanted, PortListEdits{RemoveEntry, InsertEntry});
    HeapBlockFree(MainHeap, lists);
    // Entries inserted or removed before the selected one move it; it is put
    // back on its port without a selection event.
    if (kept && *kept)
        GadgetSetText(PortList, kept);
    // The closed box is narrow; the open list shows every name whole.
    GadgetSetAttribute(PortList, AttrListWidth, ListWidthOfWidestItem);
}

bool ReadRememberedPort(PortNameText& port)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    PortNameData data{};
    DWORD size = PortNameDataSize;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, RememberedValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ || !IsPortName(data))
        return false;
    std::memcpy(port, data, std::strlen(data) + 1);
    return true;
}

// False, changing nothing, when the list has no such entry.
bool SelectListedPort(const char* port) { return GadgetSetText(PortList, port) >= 0; }

} // namespace

void FillPortList()
{
    for (std::int32_t port = 1; port <= FixedPortCount; ++port)
        GadgetInsertItem(PortList, -1, FixedPort(port).text);
    GadgetSetState(PortList, StartPortEntry);
    UpdatePortList();
    // Each opening brings the list up to date before it is drawn.
    GadgetSetAttribute(PortList, AttrOpening, reinterpret_cast<std::intptr_t>(&UpdatePortList));
}

void UpdatePortList()
{
    // The port chosen last is the one the port selection opened; before it
    // ran, the entry selected at the start.
    if (PortName && *PortName) {
        ListPortsKeeping(PortName);
        return;
    }
    PortNameText selected;
    ReadEntry(NoEntry, selected);
    ListPortsKeeping(selected);
}

void SelectStartPort(const char* port)
{
    // A name the system does not report is opened only when it is a COMn
    // port: another word could name a device that is no serial port.
    if (port && *port) {
        if (PortNumber(port) != 0) {
            ListPortsKeeping(port);
            return;
        }
        if (SelectListedPort(port))
            return;
    }
    PortNameText remembered;
    if (ReadRememberedPort(remembered))
        SelectListedPort(remembered);
}

void SelectedPortName(PortNameText& name) { ReadEntry(NoEntry, name); }

void RememberOpenPort()
{
    if (CurrentPort == 0 || !IsPortName(PortName))
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, RememberedValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(PortName),
                   static_cast<DWORD>(std::strlen(PortName) + 1));
    RegCloseKey(key);
}
