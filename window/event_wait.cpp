#include "window/event.h"
#include "window/window_layer.h"

namespace {

// The toolkit's windows are wide ones, so their messages are taken and
// dispatched as wide: a typed character keeps itself whatever the system's
// code page.

// One message from any window of the thread; false when none arrived in time.
bool NextMessage(std::int32_t milliseconds, MSG& message)
{
    if (milliseconds < 0)
        // GetMessageW fails only for a bad window filter, which is never
        // passed; a failure still must not dispatch an unfilled record.
        return GetMessageW(&message, nullptr, 0, 0) != -1;
    constexpr UINT peek = PM_REMOVE | PM_NOYIELD;
    if (PeekMessageW(&message, nullptr, 0, 0, peek))
        return true;
    // The wait also wakes for input that the peek then handles inside
    // (a sent message, a display event) and that leaves no message: that is
    // not the end of the limit, so the wait goes on for the time left.
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(milliseconds);
    for (DWORD waited = 0; waited < limit; waited = GetTickCount() - start) {
        const DWORD woke =
            MsgWaitForMultipleObjects(0, nullptr, FALSE, limit - waited, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
        if (PeekMessageW(&message, nullptr, 0, 0, peek))
            return true;
        if (woke == WAIT_TIMEOUT)
            return false;
    }
    return false;
}

void Dispatch(MSG& message)
{
    HWND active = GetActiveWindow();
    HACCEL table = WindowAccelerators(active);
    if (table && TranslateAcceleratorW(active, table, &message))
        return;
    TranslateMessage(&message);
    ++Events().dispatching;
    DispatchMessageW(&message);
    --Events().dispatching;
}

} // namespace

std::int32_t EventWaitTimeout(std::int32_t milliseconds)
{
    EventState& state = Events();
    state.kind = -1;
    state.pending = 0;
    std::int32_t code = 0;
    QueuedEvent queued{};
    if (EventQueueTake(queued)) {
        state.object = queued.object;
        state.window = queued.window;
        state.kind = queued.kind;
        code = queued.code;
    } else {
        MSG message{};
        if (!NextMessage(milliseconds, message))
            return 0;
        Dispatch(message);
        code = state.pending ? state.pending : static_cast<std::int32_t>(message.message);
        state.pending = 0;
    }
    // A WM_NULL dispatched reads as "nothing arrived" and, like a timeout,
    // publishes nothing.
    if (code != 0) {
        state.publishedObject = state.object;
        state.publishedWindow = state.window;
        state.publishedKind = state.kind;
    }
    return code;
}

std::int32_t EventWait() { return EventWaitTimeout(-1); }

ObjectNumber EventObject() { return Events().publishedObject; }

std::int32_t EventKind() { return Events().publishedKind; }

ObjectNumber EventWindow() { return Events().publishedWindow; }

void EventFlushMessages()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Events().pending = 0;
}
