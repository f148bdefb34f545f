#include "window/event.h"
#include "window/process_heap.h"
#include "window/window.h"
#include "window/window_layer.h"

#include <richedit.h>

#include <cstddef>
#include <cstring>

namespace {

bool KeyDown(int key) { return GetKeyState(key) < 0; }

bool ClassNameIs(HWND window, const char* name)
{
    char className[51]{};
    GetClassNameA(window, className, sizeof className);
    // Class names are case-insensitive in Win32.
    return lstrcmpiA(className, name) == 0;
}

bool IsWritableRichEditor(HWND control)
{
    char prefix[5]{};
    GetClassNameA(control, prefix, sizeof prefix);
    if (lstrcmpiA(prefix, "Rich") != 0)
        return false;
    return (SendMessageA(control, EM_GETOPTIONS, 0, 0) & ECO_READONLY) == 0;
}

// Composite controls take Tab as a whole rather than stepping through their
// inner fields.
bool IsCompositeControl(HWND window)
{
    if (ClassNameIs(window, "SysIPAddress32"))
        return true;
    return ClassNameIs(window, "ComboBoxEx32") && (GetWindowLongPtrA(window, GWL_STYLE) & 1) != 0;
}

// The control that Tab leaves: the focus, or the outermost composite
// control around it; null when the focus is outside root.
HWND FocusReference(HWND root, HWND focus)
{
    if (!focus || !IsChild(root, focus))
        return nullptr;
    HWND reference = focus;
    for (HWND window = focus; window && window != root; window = GetParent(window))
        if (IsCompositeControl(window))
            reference = window;
    return reference;
}

bool IsTabStop(HWND window)
{
    return IsWindowEnabled(window) && IsWindowVisible(window) &&
           (GetWindowLongPtrA(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

// The tab stops of a window in enumeration order, in a block of the process
// heap that grows as they come; a block that cannot grow ends the list.
class TabStops {
public:
    void Add(HWND window)
    {
        if (count_ == capacity_ && !Grow())
            return;
        items_.As<HWND>()[count_++] = window;
    }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    HWND operator[](std::size_t index) const { return items_.As<HWND>()[index]; }

private:
    bool Grow()
    {
        const std::size_t capacity = capacity_ ? capacity_ * 2 : 16;
        if (!items_.Resize(capacity * sizeof(HWND)))
            return false;
        capacity_ = capacity;
        return true;
    }

    ProcessHeapBlock items_;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

BOOL CALLBACK CollectTabStop(HWND window, LPARAM list)
{
    if (IsTabStop(window))
        reinterpret_cast<TabStops*>(list)->Add(window);
    return TRUE;
}

// The control to move to, or null to leave the focus where it is.
HWND FocusTarget(const TabStops& tabStops, HWND reference, bool backward)
{
    if (tabStops.empty())
        return nullptr;
    std::size_t index = 0;
    while (index < tabStops.size() && tabStops[index] != reference)
        ++index;
    const bool found = reference && index < tabStops.size();
    if (backward)
        return found && index > 0 ? tabStops[index - 1] : tabStops[tabStops.size() - 1];
    if (!reference)
        return tabStops[0];
    if (!found)
        return nullptr;
    // The inner parts of a composite control follow it in the enumeration
    // and may carry its tab stop; Tab leaves the control as a whole.
    for (std::size_t step = 1; step <= tabStops.size(); ++step) {
        HWND candidate = tabStops[(index + step) % tabStops.size()];
        if (!IsChild(reference, candidate))
            return candidate;
    }
    return nullptr;
}

} // namespace

HACCEL WindowAccelerators(HWND window)
{
    HWND focus = GetFocus();
    // A plain Tab in a writable rich editor is typed into it.
    if (focus && KeyDown(VK_TAB) && !KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT) && !KeyDown(VK_MENU) &&
        IsWritableRichEditor(focus))
        return nullptr;
    if (!window)
        return nullptr;
    const auto property = reinterpret_cast<ObjectNumber>(GetPropA(window, WindowIdProperty));
    if (property == 0)
        return nullptr;
    WindowRecord* record = WindowRecordOf(property - 1);
    return record ? record->acceleratorTable : nullptr;
}

void FocusCycle(bool backward)
{
    HWND root = GetActiveWindow();
    if (!root)
        return;
    HWND reference = FocusReference(root, GetFocus());
    TabStops tabStops;
    EnumChildWindows(root, CollectTabStop, reinterpret_cast<LPARAM>(&tabStops));
    if (HWND target = FocusTarget(tabStops, reference, backward))
        SetFocus(target);
}
