#include "gadget/brush_cache.h"
#include "gadget/gadget.h"
#include "gadget/gadget_create.h"

#include "base/heap.h"
#include "base/registry.h"
#include "window/wide_text.h"

#include <commctrl.h>

namespace {

constexpr char GadgetIdProperty[] = "GX_ID";
constexpr std::int32_t GadgetRegistryStep = 50;
constexpr std::intptr_t NoControlId = -1;

ObjectRegistry* GadgetRegistry = nullptr;

HFONT StockGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// The registry's free routine: reusing a number destroys the old gadget,
// whose window releases the record on its way out.
void DestroyReusedGadget(ObjectNumber number) { GadgetDestroy(number); }

GadgetListContext* CreateGadgetListContext(HFONT defaultFont)
{
    auto* context = static_cast<GadgetListContext*>(HeapBlockAlloc(MainHeap, sizeof(GadgetListContext), true));
    if (!context)
        return nullptr;
    context->defaultFont = defaultFont;
    context->stack = static_cast<HWND*>(HeapBlockAlloc(MainHeap, GadgetStackCapacity * sizeof(HWND), true));
    context->stackCapacity = context->stack ? GadgetStackCapacity : 0;
    return context;
}

// Offers a message about a control to the control's gadget. Windows that are
// not gadgets (the inner parts of composite controls, plain child windows)
// are left to default processing.
LRESULT OfferToGadget(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    GadgetRecord* gadget = GadgetOfWindow(control);
    if (!gadget || !gadget->ops || !gadget->ops->handleParentMessage)
        return DEFAULT_PROCESSING;
    return gadget->ops->handleParentMessage(gadget, parent, message, wParam, lParam);
}

} // namespace

void GadgetLibraryStart()
{
    if (GadgetList)
        return;
    BrushCacheStart();
    HFONT stockFont = StockGuiFont();
    GadgetRegistry = RegistryCreate(sizeof(GadgetRecord), GadgetRegistryStep, DestroyReusedGadget);
    GadgetList = CreateGadgetListContext(stockFont);
    WindowSetGadgetHook(OfferToGadget);
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                    ICC_INTERNET_CLASSES;
    InitCommonControlsEx(&classes);
}

GadgetRecord* GadgetLookup(ObjectNumber number)
{
    if (!GadgetRegistry)
        return nullptr;
    return static_cast<GadgetRecord*>(RegistryLookup(GadgetRegistry, number));
}

HWND GadgetHandle(ObjectNumber number)
{
    const GadgetRecord* record = GadgetLookup(number);
    return record ? record->hwnd : nullptr;
}

GadgetRecord* GadgetOfWindow(HWND window)
{
    const auto id = static_cast<ObjectNumber>(GetWindowLongPtrA(window, GWLP_ID));
    if (reinterpret_cast<ObjectNumber>(GetPropA(window, GadgetIdProperty)) != id)
        return nullptr;
    GadgetRecord* gadget = GadgetLookup(id);
    // A control without "GX_ID" and with id 0 passes the check above; only
    // the gadget's own window may reach the gadget.
    return gadget && gadget->hwnd == window ? gadget : nullptr;
}

HWND GadgetParent() { return GadgetList ? GadgetList->parent : nullptr; }

GadgetRecord* GadgetCreateWindow(ObjectNumber number, const GadgetWindowPlan& plan, HWND* window)
{
    *window = nullptr;
    if (!GadgetRegistry)
        return nullptr;
    const WideText text(plan.text);
    if (!text.text())
        return nullptr;
    HWND hwnd = CreateWindowExW(plan.extendedStyle, plan.className, plan.text ? text.text() : nullptr,
                                WS_CHILD | WS_VISIBLE | plan.style, plan.x, plan.y, plan.width, plan.height,
                                GadgetParent(), reinterpret_cast<HMENU>(plan.controlId), GetModuleHandleA(nullptr),
                                nullptr);
    if (!hwnd)
        return nullptr;
    auto* record = static_cast<GadgetRecord*>(RegistryAllocate(GadgetRegistry, number));
    if (!record) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    *window = hwnd;
    return record;
}

std::intptr_t GadgetRegister(ObjectNumber number, GadgetRecord* record, HWND hwnd, const GadgetOps* ops)
{
    const ObjectNumber id = number == AnyNumber ? reinterpret_cast<ObjectNumber>(record) : number;
    record->hwnd = hwnd;
    record->ops = ops;
    record->previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetWindowProc)));
    // The control id is the gadget number: WM_COMMAND and the focus events
    // name the gadget by it.
    SetWindowLongPtrA(hwnd, GWLP_ID, id);
    SetPropA(hwnd, GadgetIdProperty, reinterpret_cast<HANDLE>(id));
    HFONT font = GadgetList ? GadgetList->defaultFont : StockGuiFont();
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return number == AnyNumber ? id : reinterpret_cast<std::intptr_t>(hwnd);
}

LRESULT CALLBACK GadgetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ObjectNumber id = GetWindowLongPtrA(hwnd, GWLP_ID);
    const GadgetRecord* record = id == NoControlId ? nullptr : GadgetLookup(id);
    if (!record || record->hwnd != hwnd)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = CallWindowProcW(record->previousProc, hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The message may have created gadgets and moved the table: look the
        // record up again.
        if (GadgetRecord* current = GadgetLookup(id); current && current->ops->release)
            current->ops->release(current);
        RemovePropA(hwnd, GadgetIdProperty);
        SetWindowLongPtrA(hwnd, GWLP_ID, NoControlId);
        RegistryRelease(GadgetRegistry, id);
    }
    return result;
}

std::intptr_t GadgetInsertItem(ObjectNumber number, std::int32_t position, const char* text)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record)
        return 0;
    if (!text)
        text = "";
    if (record->ops->addItemEx)
        return record->ops->addItemEx(record, position, text, nullptr, 0);
    if (record->ops->addItem)
        return record->ops->addItem(record, position, text, nullptr);
    return 0;
}

std::intptr_t GadgetSetState(ObjectNumber number, std::int32_t state)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->setState)
        return 0;
    return record->ops->setState(record, state);
}

std::intptr_t GadgetSetText(ObjectNumber number, const char* text)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record)
        return 0;
    if (!text)
        text = "";
    if (record->ops->setText)
        return record->ops->setText(record, text);
    return SetWindowTextFromText(record->hwnd, text);
}

std::intptr_t GadgetClearItems(ObjectNumber number)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->clearItems)
        return 0;
    return record->ops->clearItems(record);
}

std::int32_t GadgetCountItems(ObjectNumber number)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->countItems)
        return 0;
    return record->ops->countItems(record);
}

char* GadgetGetItemText(ObjectNumber number, std::int32_t item, std::int32_t resultPosition)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->getItemText)
        return GadgetEmptyText(resultPosition);
    return record->ops->getItemText(record, item, 0, resultPosition);
}

std::intptr_t GadgetRemoveItem(ObjectNumber number, std::int32_t position)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->removeItem)
        return 0;
    return record->ops->removeItem(record, position);
}

void GadgetSetAttribute(ObjectNumber number, std::int32_t attribute, std::intptr_t value)
{
    GadgetRecord* record = GadgetLookup(number);
    if (record && record->ops->setAttribute)
        record->ops->setAttribute(record, attribute, value);
}

std::intptr_t GadgetSetColor(ObjectNumber number, std::int32_t type, std::int32_t colour)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record || !record->ops->setColor)
        return 0;
    return record->ops->setColor(record, type, colour);
}

std::intptr_t GadgetDestroy(ObjectNumber number)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record)
        return 0;
    return DestroyWindow(record->hwnd);
}

void GadgetApplyFont(ObjectNumber number, std::intptr_t font)
{
    HFONT handle = font == -1 ? StockGuiFont() : reinterpret_cast<HFONT>(font);
    if (number == AnyNumber) {
        if (GadgetList)
            GadgetList->defaultFont = handle;
        return;
    }
    if (GadgetRecord* record = GadgetLookup(number))
        SendMessageA(record->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
}

void GadgetResize(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record)
        return;
    if (record->ops->resize)
        record->ops->resize(record, x, y, width, height);
    else
        GadgetMoveResize(record, x, y, width, height);
}

void GadgetMoveResize(GadgetRecord* record, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height)
{
    const GadgetOps& ops = *record->ops;
    if (x == KeepValue || y == KeepValue || width == KeepValue || height == KeepValue) {
        RECT rect{};
        GetWindowRect(record->hwnd, &rect);
        MapWindowPoints(HWND_DESKTOP, GetParent(record->hwnd), reinterpret_cast<POINT*>(&rect), 2);
        if (x == KeepValue)
            x = ops.getX ? ops.getX(record) : rect.left;
        if (y == KeepValue)
            y = ops.getY ? ops.getY(record) : rect.top;
        if (width == KeepValue)
            width = ops.getWidth ? ops.getWidth(record) : rect.right - rect.left;
        if (height == KeepValue)
            height = ops.getHeight ? ops.getHeight(record) : rect.bottom - rect.top;
    }
    MoveWindow(record->hwnd, x, y, width, height, TRUE);
    if (ops.kindId == GadgetKindButton)
        RedrawWindow(record->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}
