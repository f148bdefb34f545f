#include "window/window.h"
#include "window/dpi.h"
#include "window/event.h"
#include "window/gadget_list.h"
#include "window/live_sizing.h"
#include "window/window_geometry.h"
#include "window/window_layer.h"
#include "window/wide_text.h"

#include "base/heap.h"
#include "base/state_block.h"

namespace {

constexpr std::int32_t WindowRegistryStep = 16;
constexpr std::int32_t AcceleratorCount = 2;

void* LayerBlock = nullptr;

// "WindowClass_" and the number in decimal; identifiers of any-number windows
// are addresses and are written in full, so that two never share a class.
NumberedName WindowClassName(ObjectNumber number) { return NameWithNumber("WindowClass_", number); }

// The class, and so every window of it, is a wide one: a title the program
// sets keeps characters the system's code page lacks.
void RegisterWindowClass(const wchar_t* name)
{
    const WindowLayerState& layer = WindowLayer();
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowClassProc;
    windowClass.hInstance = layer.instance;
    windowClass.hIcon = layer.icon;
    windowClass.hCursor = layer.arrowCursor;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

WindowPlacement PlaceWindow(const WindowStyle& style, std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height, HWND parent)
{
    RECT frame{0, 0, ClientExtent(width), ClientExtent(height)};
    AdjustWindowRectEx(&frame, style.style, FALSE, style.extendedStyle);
    const SIZE outer{frame.right - frame.left, frame.bottom - frame.top};
    const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT referenceRect{};
    const RECT* reference = nullptr;
    if (style.centerOnParent && !style.centerOnScreen) {
        HWND centreOn = parent ? parent : GetActiveWindow();
        if (centreOn && GetWindowRect(centreOn, &referenceRect))
            reference = &referenceRect;
    }
    return WindowPlacementFor(style, x, y, outer, screen, reference);
}

int ShowCommandFor(DWORD style)
{
    if (style & WS_MAXIMIZE)
        return SW_SHOWMAXIMIZED;
    if (style & WS_MINIMIZE)
        return SW_SHOWMINIMIZED;
    return SW_SHOWNORMAL;
}

// Tab and Shift+Tab become the focus commands.
void CreateAccelerators(WindowRecord& record)
{
    auto* entries = static_cast<ACCEL*>(HeapBlockAlloc(MainHeap, AcceleratorCount * sizeof(ACCEL), true));
    if (!entries)
        return;
    entries[0] = {FVIRTKEY | FNOINVERT, VK_TAB, FOCUS_NEXT_COMMAND};
    entries[1] = {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, FOCUS_PREV_COMMAND};
    record.acceleratorEntries = entries;
    record.acceleratorCount = AcceleratorCount;
    record.acceleratorTable = CreateAcceleratorTableA(entries, AcceleratorCount);
}

void FreeAccelerators(WindowRecord& record)
{
    HeapBlockFree(MainHeap, record.acceleratorEntries);
    if (record.acceleratorTable)
        DestroyAcceleratorTable(record.acceleratorTable);
}

} // namespace

WindowLayerState& WindowLayer() { return *static_cast<WindowLayerState*>(StateBlockGet(LayerBlock)); }

void WindowLayerStart()
{
    if (LayerBlock)
        return;
    LayerBlock = StateBlockCreate(sizeof(WindowLayerState), nullptr, nullptr);
    WindowLayerState& layer = WindowLayer();
    layer.registry = RegistryCreate(sizeof(WindowRecord), WindowRegistryStep, WindowClose);
    layer.instance = GetModuleHandleA(nullptr);
    layer.icon = LoadIconA(layer.instance, MAKEINTRESOURCEA(1));
    layer.arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
    LiveSizingStart();
}

WindowRecord* WindowRecordOf(ObjectNumber number)
{
    if (!LayerBlock || !WindowLayer().registry)
        return nullptr;
    return static_cast<WindowRecord*>(RegistryLookup(WindowLayer().registry, number));
}

std::intptr_t WindowOpen(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, const char* title, std::uint32_t flags, HWND parent)
{
    if (!LayerBlock || !WindowLayer().registry || number < AnyNumber)
        return 0;
    WindowLayerState& layer = WindowLayer();
    auto* record = static_cast<WindowRecord*>(RegistryAllocate(layer.registry, number));
    if (!record)
        return 0;
    const ObjectNumber id = number == AnyNumber ? reinterpret_cast<ObjectNumber>(record) : number;
    const WideText className(WindowClassName(id).text);
    const WideText wideTitle(title);
    if (!className.text() || !wideTitle.text()) {
        RegistryRelease(layer.registry, id);
        return 0;
    }
    RegisterWindowClass(className.text());

    const WindowStyle style = WindowStyleFromFlags(flags);
    const WindowPlacement place = PlaceWindow(style, x, y, width, height, parent);
    HWND window = CreateWindowExW(style.extendedStyle, className.text(), wideTitle.text(), style.style, place.x,
                                  place.y, place.width, place.height, parent, nullptr, layer.instance, nullptr);
    if (!window) {
        UnregisterClassW(className.text(), layer.instance);
        RegistryRelease(layer.registry, id);
        return 0;
    }
    record->handle = window;
    SetPropA(window, WindowIdProperty, reinterpret_cast<HANDLE>(id + 1));
    // The class icon is made for the system's DPI; only a window at another
    // DPI needs icons of its own, and loading them costs the start-up time.
    if (const std::int32_t dpi = WindowDpi(window); dpi != SystemDpi())
        WindowLoadIconsForDpi(id, dpi);
    if (!style.hidden)
        ShowWindow(window, ShowCommandFor(style.style));
    // Showing the window runs its handler, which never allocates in the
    // registry, so the record has not moved.
    record->minMax = (style.style & (WS_MAXIMIZE | WS_MINIMIZE)) != 0;
    CreateAccelerators(*record);
    if (!style.keepGadgetList)
        GadgetListUse(window);
    return number == AnyNumber ? id : reinterpret_cast<std::intptr_t>(window);
}

void WindowClose(ObjectNumber number)
{
    WindowRecord* record = WindowRecordOf(number);
    if (!record)
        return;
    WindowLayerState& layer = WindowLayer();
    HWND window = record->handle;
    // Activate the owner first, so that the activation does not pass to
    // some other program's window when this one goes.
    if (HWND owner = GetWindow(window, GW_OWNER))
        SetActiveWindow(owner);
    RemovePropA(window, WindowIdProperty);
    DestroyWindow(window);
    UnregisterClassA(WindowClassName(number).text, layer.instance);
    FreeAccelerators(*record);
    if (record->bigIcon)
        DestroyIcon(record->bigIcon);
    if (record->smallIcon)
        DestroyIcon(record->smallIcon);
    RegistryRelease(layer.registry, number);
}

void WindowCloseAll()
{
    if (!LayerBlock || !WindowLayer().registry)
        return;
    ObjectRegistry* registry = WindowLayer().registry;
    RegistryBeginEnumeration(registry);
    ObjectNumber number = 0;
    while (RegistryNext(registry, &number))
        WindowClose(number);
}

HWND WindowHandle(ObjectNumber number)
{
    WindowRecord* record = WindowRecordOf(number);
    return record ? record->handle : nullptr;
}

ObjectNumber WindowNumberOf(HWND window)
{
    for (; window; window = GetParent(window))
        if (auto property = reinterpret_cast<ObjectNumber>(GetPropA(window, WindowIdProperty)))
            return property - 1;
    return -1;
}
