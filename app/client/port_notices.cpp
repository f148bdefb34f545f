#include "app/client/port_notices.h"

#include "app/client/client_gadgets.h"
#include "app/client/dump_driving.h"
#include "app/client/port_list.h"
#include "app/client/port_selection.h"
#include "app/logger/logger_state.h"
#include "app/logger/port_names.h"

#include "gadget/gadget.h"
#include "window/event.h"
#include "window/window.h"

#include <commctrl.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>

namespace {

constexpr UINT_PTR NoticeSubclass = 1;

// The name as the notice gives it, ANSI or wide as the window is: port
// names are ASCII, so a wide one reads as single characters with zero bytes
// between them. A name too long, or not ASCII, reads as empty.
void ReadNoticeName(const DEV_BROADCAST_HDR& header, PortNameText& name)
{
    const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_A*>(&header);
    const std::size_t offset = offsetof(DEV_BROADCAST_PORT_A, dbcp_name);
    const std::size_t bytes = header.dbch_size > offset ? header.dbch_size - offset : 0;
    const char* text = port->dbcp_name;
    const bool wide = bytes >= 2 && text[0] != 0 && text[1] == 0;
    const std::size_t step = wide ? 2 : 1;
    std::size_t length = 0;
    name[0] = '\0';
    for (std::size_t at = 0; at + step <= bytes && text[at] != 0; at += step) {
        const bool ascii = static_cast<unsigned char>(text[at]) < 0x80 && (!wide || text[at + 1] == 0);
        if (!ascii || length == PortNameMaximum) {
            name[0] = '\0';
            return;
        }
        name[length++] = text[at];
        name[length] = '\0';
    }
}

struct Notice {
    PortNameText name;
    bool removed;
};

// Far more than come at once; a notice beyond them is taken as another
// port's arrival, which looks for a lost port all the same.
constexpr std::size_t NoticesMaximum = 16;
Notice Notices[NoticesMaximum];
std::size_t NoticeCount = 0;
bool NoticesOverflowed = false;

// The device namespace prefix some drivers give the name ("\\.\COM3").
const char* WithoutDevicePrefix(const char* name)
{
    return std::strncmp(name, "\\\\.\\", 4) == 0 ? name + 4 : name;
}

void QueueNotice(WPARAM change, const DEV_BROADCAST_HDR* header)
{
    if ((change != DBT_DEVICEARRIVAL && change != DBT_DEVICEREMOVECOMPLETE) || !header ||
        header->dbch_devicetype != DBT_DEVTYP_PORT)
        return;
    if (NoticeCount == NoticesMaximum) {
        NoticesOverflowed = true;
    } else {
        Notice& notice = Notices[NoticeCount++];
        ReadNoticeName(*header, notice.name);
        notice.removed = change == DBT_DEVICEREMOVECOMPLETE;
    }
    EventPost(PortNoticeEvent, 0, MainWindow, 0);
}

void ActOn(const Notice& notice)
{
    const char* name = WithoutDevicePrefix(notice.name);
    const bool chosen = PortName && name[0] != '\0' && ComparePortNames(name, PortName) == 0;
    // A dump that lost its port ends as under any command, and looks for
    // the port itself.
    if (chosen && notice.removed)
        ForgetRemovedPort();
    else if (chosen && !DumpBusy())
        WantedPortArrived();
    else if (!notice.removed && !DumpBusy())
        LookForLostPort();
}

// Sent by the system from outside the loop, maybe while a requester is up:
// only queued here, so that the loop acts on it between two commands.
LRESULT CALLBACK WatchPortNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_DEVICECHANGE)
        QueueNotice(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, WatchPortNotices, NoticeSubclass);
    return DefSubclassProc(window, message, wParam, lParam);
}

bool PortListIsOpen() { return SendMessageA(GadgetHandle(PortList), CB_GETDROPPEDSTATE, 0, 0) != 0; }

} // namespace

void InstallPortNotices()
{
    if (HWND window = WindowHandle(MainWindow))
        SetWindowSubclass(window, WatchPortNotices, NoticeSubclass, 0);
}

void HandlePortNotices()
{
    if (NoticeCount == 0 && !NoticesOverflowed)
        return;
    for (std::size_t i = 0; i < NoticeCount; ++i)
        ActOn(Notices[i]);
    if (NoticesOverflowed)
        ActOn(Notice{{}, false});
    NoticeCount = 0;
    NoticesOverflowed = false;
    if (PortListIsOpen())
        UpdatePortList();
}
