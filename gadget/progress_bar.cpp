#include "gadget/gadget_create.h"
#include "gadget/gadget_kinds.h"

#include <commctrl.h>

// Record words: kindWordA the back colour, kindWordB the bar colour, both -1
// for the system's.

namespace {

std::int32_t ProgressGetState(GadgetRecord* record)
{
    return static_cast<std::int32_t>(SendMessageA(record->hwnd, PBM_GETPOS, 0, 0));
}

std::intptr_t ProgressSetState(GadgetRecord* record, std::int32_t value)
{
    return SendMessageA(record->hwnd, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

std::int32_t RangeLimit(HWND hwnd, bool low)
{
    return static_cast<std::int32_t>(SendMessageA(hwnd, PBM_GETRANGE, low ? TRUE : FALSE, 0));
}

void SetRange(HWND hwnd, std::int32_t minimum, std::int32_t maximum)
{
    SendMessageA(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

std::intptr_t ProgressGetAttribute(GadgetRecord* record, std::int32_t attribute)
{
    switch (attribute) {
    case AttrMinimum:
        return RangeLimit(record->hwnd, true);
    case AttrMaximum:
        return RangeLimit(record->hwnd, false);
    default:
        return 0;
    }
}

void ProgressSetAttribute(GadgetRecord* record, std::int32_t attribute, std::intptr_t value)
{
    const auto limit = static_cast<std::int32_t>(value);
    if (attribute == AttrMinimum)
        SetRange(record->hwnd, limit, RangeLimit(record->hwnd, false));
    else if (attribute == AttrMaximum)
        SetRange(record->hwnd, RangeLimit(record->hwnd, true), limit);
}

std::intptr_t ProgressSetColor(GadgetRecord* record, std::int32_t type, std::int32_t colour)
{
    const LPARAM sent = colour == -1 ? static_cast<LPARAM>(CLR_DEFAULT) : static_cast<LPARAM>(colour);
    if (type == ColorFront) {
        record->kindWordB = colour;
        return SendMessageA(record->hwnd, PBM_SETBARCOLOR, 0, sent);
    }
    if (type == ColorBack) {
        record->kindWordA = colour;
        return SendMessageA(record->hwnd, PBM_SETBKCOLOR, 0, sent);
    }
    return 0;
}

std::int32_t ProgressGetColor(GadgetRecord* record, std::int32_t type)
{
    if (type == ColorFront)
        return static_cast<std::int32_t>(record->kindWordB);
    if (type == ColorBack)
        return record->kindWordA;
    return -1;
}

constexpr GadgetOps ProgressBarOps = {
    .kindId = GadgetKindProgressBar,
    .tableSize = sizeof(GadgetOps),
    .getState = ProgressGetState,
    .setState = ProgressSetState,
    .getAttribute = ProgressGetAttribute,
    .setAttribute = ProgressSetAttribute,
    .setColor = ProgressSetColor,
    .getColor = ProgressGetColor,
};

} // namespace

std::intptr_t GadgetCreateProgressBar(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                      std::int32_t height, std::int32_t minimum, std::int32_t maximum,
                                      std::uint32_t flags)
{
    const GadgetWindowPlan plan{0, PROGRESS_CLASSW, nullptr, flags, x, y, width, height, 0};
    HWND hwnd = nullptr;
    GadgetRecord* record = GadgetCreateWindow(number, plan, &hwnd);
    if (!record)
        return 0;
    SetRange(hwnd, minimum, maximum);
    record->kindWordA = -1;
    record->kindWordB = -1;
    return GadgetRegister(number, record, hwnd, &ProgressBarOps);
}
