#include "app/client/port_list.h"

#include "app/logger/logger_state.h"
#include "app/client/client_gadgets.h"
#include "app/logger/port_names.h"
#include "app/client/port_selection.h"

#include "gadget/gadget.h"

#include "base/heap.h"

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

constexpr char RememberedKey[] = "Software\\Korvane";
constexpr char RememberedValue[] = "Port";

HWND PortListWindow() { return GadgetHandle(PortList); }

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
        char valueName[256];
        DWORD valueNameLength = sizeof valueName;
        PortNameText port{};
        // One byte short of the buffer, so that data without a terminator
        // still ends in one.
        DWORD size = sizeof port - 1;
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

// The entries as the list shows them, in its order; an entry that is not a
// port name reads as empty, and so is not wanted.
void ReadShownPorts(HWND window, PortNameList& shown)
{
    shown.count = 0;
    const LRESULT count = SendMessageA(window, CB_GETCOUNT, 0, 0);
    for (LRESULT entry = 0; entry < count && shown.count < PortListMaximum; ++entry) {
        char* name = shown.names[shown.count++];
        name[0] = '\0';
        const LRESULT length = SendMessageA(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(entry), 0);
        if (length >= 0 && length <= PortNameMaximum)
            SendMessageA(window, CB_GETLBTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(name));
    }
}

HWND editedWindow = nullptr;
std::int32_t editCount = 0;

void RemoveEntry(std::int32_t position)
{
    SendMessageA(editedWindow, CB_DELETESTRING, static_cast<WPARAM>(position), 0);
    ++editCount;
}

void InsertEntry(std::int32_t position, const char* name)
{
    SendMessageA(editedWindow, CB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(name));
    ++editCount;
}

// Brings the list to COM1-COM4, the kept port and the ports the system
// reports now, and selects the kept port. An entry that is neither goes.
void ListPortsKeeping(const char* kept)
{
    HWND window = PortListWindow();
    // Two lists are too large for the stack, and as zeroed statics they
    // would be stored in the program file.
    auto* lists = static_cast<PortNameList*>(HeapBlockAlloc(MainHeap, 2 * sizeof(PortNameList), false));
    if (!window || !lists) {
        HeapBlockFree(MainHeap, lists);
        return;
    }
    PortNameList& wanted = lists[0];
    PortNameList& shown = lists[1];
    wanted.count = 0;
    for (std::int32_t port = 1; port <= FixedPortCount; ++port)
        PortListAdd(wanted, FixedPort(port).text);
    PortListAdd(wanted, kept);
    AddRegisteredPorts(wanted);
    AddDevicePorts(wanted);

    ReadShownPorts(window, shown);
    editedWindow = window;
    editCount = 0;
    PortListReconcile(shown, wanted, PortListEdits{RemoveEntry, InsertEntry});
    HeapBlockFree(MainHeap, lists);
    // Entries inserted or removed before the selected one move it; it is put
    // back on its port without a selection event.
    if (kept && *kept)
        GadgetSetText(PortList, kept);

    // An open list measured its height before its entries changed; opened
    // again, it fits them.
    if (editCount != 0 && SendMessageA(window, CB_GETDROPPEDSTATE, 0, 0)) {
        SendMessageA(window, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageA(window, CB_SHOWDROPDOWN, TRUE, 0);
    }
}

bool ReadRememberedPort(PortNameText& port)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RememberedKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    std::memset(port, 0, sizeof port);
    DWORD size = sizeof port - 1;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, RememberedValue, nullptr, &type, reinterpret_cast<BYTE*>(port), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ && IsPortName(port);
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
}

void UpdatePortList()
{
    // While the list is open its selection follows the pointer; the port
    // chosen last is the one the port selection opened.
    if (PortName && *PortName) {
        ListPortsKeeping(PortName);
        return;
    }
    PortNameText selected{};
    HWND window = PortListWindow();
    const LRESULT entry = SendMessageA(window, CB_GETCURSEL, 0, 0);
    const LRESULT length = SendMessageA(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(entry), 0);
    if (entry != CB_ERR && length >= 0 && length <= PortNameMaximum)
        SendMessageA(window, CB_GETLBTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(selected));
    ListPortsKeeping(selected);
}

void SelectStartPort(const char* commandLine)
{
    // A name the system does not report is opened only when it is a COMn
    // port: another word could name a device that is no serial port.
    PortNameText port;
    if (PortArgument(commandLine, port)) {
        if (PortNumber(port) != 0) {
            ListPortsKeeping(port);
            return;
        }
        if (SelectListedPort(port))
            return;
    }
    if (ReadRememberedPort(port))
        SelectListedPort(port);
}

void RememberOpenPort()
{
    if (CurrentPort == 0 || !IsPortName(PortName))
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RememberedKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, RememberedValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(PortName),
                   static_cast<DWORD>(std::strlen(PortName) + 1));
    RegCloseKey(key);
}
