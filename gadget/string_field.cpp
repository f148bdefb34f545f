#include "gadget/brush_cache.h"
#include "gadget/gadget_create.h"
#include "gadget/gadget_kinds.h"

#include "window/event.h"
#include "window/window.h"

// Record words: kindWordA the back colour, kindWordB the front colour (both
// -1 for the system's), kindWordC the back brush from the brush cache.

namespace {

// The "Edit" class procedure; every string field shares it.
WNDPROC EditClassProc = nullptr;

std::int32_t BackColour(const GadgetRecord* record) { return record->kindWordA; }
std::int32_t FrontColour(const GadgetRecord* record) { return static_cast<std::int32_t>(record->kindWordB); }
HBRUSH BackBrush(const GadgetRecord* record) { return reinterpret_cast<HBRUSH>(record->kindWordC); }

bool PaintsLikeAnEditField(const GadgetRecord* record, UINT message)
{
    // A disabled field keeps the system's disabled colours.
    return message == WM_CTLCOLOREDIT || (message == WM_CTLCOLORSTATIC && IsWindowEnabled(record->hwnd));
}

LRESULT StringFieldParentMessage(GadgetRecord* record, HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (!PaintsLikeAnEditField(record, message))
        return DEFAULT_PROCESSING;
    HDC dc = reinterpret_cast<HDC>(wParam);
    LRESULT result = DEFAULT_PROCESSING;
    if (FrontColour(record) != -1) {
        SetTextColor(dc, static_cast<COLORREF>(FrontColour(record)));
        if (BackColour(record) == -1) {
            SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        }
    }
    if (BackColour(record) != -1) {
        SetBkColor(dc, static_cast<COLORREF>(BackColour(record)));
        // Without a brush the background is left to the system rather than
        // answered with no brush at all.
        if (BackBrush(record))
            result = reinterpret_cast<LRESULT>(BackBrush(record));
    }
    return result;
}

void LetGoOfBackBrush(GadgetRecord* record)
{
    ReleaseBrush(BackBrush(record));
    record->kindWordC = 0;
}

std::intptr_t StringFieldSetColor(GadgetRecord* record, std::int32_t type, std::int32_t colour)
{
    if (type == ColorFront) {
        record->kindWordB = colour;
    } else if (type == ColorBack) {
        LetGoOfBackBrush(record);
        if (colour != -1)
            record->kindWordC = reinterpret_cast<std::intptr_t>(AcquireBrush(colour));
        record->kindWordA = colour;
    }
    RedrawWindow(record->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
    return colour;
}

std::int32_t StringFieldGetColor(GadgetRecord* record, std::int32_t type)
{
    if (type == ColorFront)
        return FrontColour(record);
    if (type == ColorBack)
        return BackColour(record);
    return -1;
}


constexpr GadgetOps StringFieldOps = {
    .kindId = GadgetKindStringField,
    .tableSize = sizeof(GadgetOps),
    .handleParentMessage = StringFieldParentMessage,
    .release = LetGoOfBackBrush,
    .setColor = StringFieldSetColor,
    .getColor = StringFieldGetColor,
};

void PostFocusEvent(HWND hwnd, std::int32_t kind)
{
    const ObjectNumber number = GetWindowLongPtrA(hwnd, GWLP_ID);
    if (number == -1) // not registered yet, or already released
        return;
    EventPost(EV_GADGET, number, WindowNumberOf(hwnd), kind);
}

} // namespace

LRESULT CALLBACK StringFieldWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFOCUS)
        PostFocusEvent(hwnd, GADGET_FOCUS_GAINED);
    else if (message == WM_KILLFOCUS)
        PostFocusEvent(hwnd, GADGET_FOCUS_LOST);
    return CallWindowProcW(EditClassProc, hwnd, message, wParam, lParam);
}

std::intptr_t GadgetCreateStringField(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                      std::int32_t height, const char* text, std::uint32_t flags)
{
    const DWORD extendedStyle = (flags & StringBorderless) ? 0 : WS_EX_CLIENTEDGE;
    const GadgetWindowPlan plan{
        extendedStyle, L"Edit", text ? text : "", flags | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
        x, y, width, height, -1,
    };
    HWND hwnd = nullptr;
    GadgetRecord* record = GadgetCreateWindow(number, plan, &hwnd);
    if (!record)
        return 0;
    EditClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StringFieldWindowProc)));
    record->kindWordA = -1;
    record->kindWordB = -1;
    record->kindWordC = 0;
    return GadgetRegister(number, record, hwnd, &StringFieldOps);
}
