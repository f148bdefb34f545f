#include "gadget/gadget_create.h"
#include "gadget/gadget_kinds.h"

namespace {

std::int32_t ButtonGetState(GadgetRecord* record)
{
    return static_cast<std::int32_t>(SendMessageA(record->hwnd, BM_GETCHECK, 0, 0) & 1);
}

std::intptr_t ButtonSetState(GadgetRecord* record, std::int32_t state)
{
    return SendMessageA(record->hwnd, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

constexpr GadgetOps ButtonOps = {
    .kindId = GadgetKindButton,
    .tableSize = sizeof(GadgetOps),
    .getState = ButtonGetState,
    .setState = ButtonSetState,
};

} // namespace

std::intptr_t GadgetCreateButton(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, const char* text, std::uint32_t flags)
{
    const GadgetWindowPlan plan{
        0, L"Button", text ? text : "", flags | WS_GROUP | WS_TABSTOP, x, y, width, height, -1,
    };
    HWND hwnd = nullptr;
    GadgetRecord* record = GadgetCreateWindow(number, plan, &hwnd);
    if (!record)
        return 0;
    return GadgetRegister(number, record, hwnd, &ButtonOps);
}
