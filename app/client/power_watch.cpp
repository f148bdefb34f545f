#include "app/client/power_watch.h"

#include "app/client/main_window.h"
#include "app/client/watch_driving.h"

#include "window/event.h"
#include "window/window.h"

#include <windows.h>
#include <commctrl.h>

namespace {

constexpr UINT_PTR PowerSubclass = 3;

// What Windows shows for the request ("powercfg /requests").
wchar_t AwakeReason[] = L"Korvane \u0432\u0435\u0434\u0451\u0442 \u043d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                        L"\u0437\u0430 \u0442\u0435\u043c\u043f\u0435\u0440\u0430\u0442\u0443\u0440\u043e\u0439";

HANDLE AwakeRequest = nullptr;

// A resume the user started (PBT_APMRESUMESUSPEND) follows the automatic
// one, which every resume sends: only that one counts. The session's end is
// agreed to at once; at its end the process may go as soon as the message
// is answered, so the watch's record is flushed before that.
LRESULT CALLBACK WatchPower(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
        EventPost(PowerResumedEvent, 0, MainWindow, 0);
    } else if (message == WM_QUERYENDSESSION) {
        return TRUE;
    } else if (message == WM_ENDSESSION) {
        if (wParam)
            EndWatchForSession();
        return 0;
    } else if (message == WM_TIMECHANGE) {
        WatchClockMoved();
    } else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, WatchPower, PowerSubclass);
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

void InstallPowerWatch()
{
    if (HWND window = WindowHandle(MainWindow))
        SetWindowSubclass(window, WatchPower, PowerSubclass, 0);
}

void KeepSystemAwake(bool awake)
{
    if (awake && !AwakeRequest) {
        REASON_CONTEXT reason{};
        reason.Version = POWER_REQUEST_CONTEXT_VERSION;
        reason.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
        reason.Reason.SimpleReasonString = AwakeReason;
        AwakeRequest = PowerCreateRequest(&reason);
        if (AwakeRequest == INVALID_HANDLE_VALUE)
            AwakeRequest = nullptr;
        if (AwakeRequest && !PowerSetRequest(AwakeRequest, PowerRequestSystemRequired)) {
            CloseHandle(AwakeRequest);
            AwakeRequest = nullptr;
        }
    } else if (!awake && AwakeRequest) {
        PowerClearRequest(AwakeRequest, PowerRequestSystemRequired);
        CloseHandle(AwakeRequest);
        AwakeRequest = nullptr;
    }
}
