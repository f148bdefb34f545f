#include "window/gadget_list.h"
#include "window/window_layer.h"

#include "base/heap.h"

GadgetListContext* GadgetList = nullptr;

namespace {

// The gadget-list part of the context, kept by a window while another
// window is the current gadget list.
struct GadgetListSave {
    HWND window;
    HWND parent;
    HWND* stack; // owned while saved here
    std::int32_t stackDepth;
    std::int32_t stackCapacity;
    WNDPROC previousProc;
};

// "GX_GadgetStack_" and the module instance in decimal: two modules of one
// process keep their gadget lists apart.
const char* SavePropertyName()
{
    static const NumberedName name =
        NameWithNumber("GX_GadgetStack_", reinterpret_cast<std::intptr_t>(GetModuleHandleA(nullptr)));
    return name.text;
}

GadgetListSave* SaveOf(HWND window) { return static_cast<GadgetListSave*>(GetPropA(window, SavePropertyName())); }

HWND CurrentParent(const GadgetListContext& context)
{
    return context.stackDepth != 0 && context.stack ? context.stack[0] : context.parent;
}

void SaveContext(GadgetListContext& context, GadgetListSave& save)
{
    save.parent = context.parent;
    save.stack = context.stack;
    save.stackDepth = context.stackDepth;
    save.stackCapacity = context.stackCapacity;
    context.stack = nullptr;
}

void RestoreContext(GadgetListContext& context, GadgetListSave& save)
{
    HeapBlockFree(MainHeap, context.stack);
    context.parent = save.parent;
    context.stack = save.stack;
    context.stackDepth = save.stackDepth;
    context.stackCapacity = save.stackCapacity;
    save.stack = nullptr;
}

void StartEmptyStack(GadgetListContext& context)
{
    if (!context.stack) {
        context.stack = static_cast<HWND*>(HeapBlockAlloc(MainHeap, GadgetStackCapacity * sizeof(HWND), true));
        context.stackCapacity = context.stack ? GadgetStackCapacity : 0;
    }
    context.stackDepth = 0;
}

void AttachSave(HWND window)
{
    auto* save = static_cast<GadgetListSave*>(HeapBlockAlloc(MainHeap, sizeof(GadgetListSave), true));
    if (!save)
        return;
    save->window = window;
    SetPropA(window, SavePropertyName(), save);
    save->previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetStackProc)));
}

} // namespace

HWND GadgetListUse(HWND window)
{
    if (!GadgetList)
        return nullptr;
    GadgetListContext& context = *GadgetList;
    HWND previous = CurrentParent(context);
    // A handle that names no window changes nothing: it could never
    // receive gadgets, and its save record could never be freed.
    if (!window || !IsWindow(window))
        return previous;
    if (previous)
        if (GadgetListSave* save = SaveOf(previous))
            SaveContext(context, *save);
    if (GadgetListSave* save = SaveOf(window)) {
        RestoreContext(context, *save);
    } else {
        StartEmptyStack(context);
        context.parent = window;
        AttachSave(window);
    }
    return previous;
}

LRESULT CALLBACK GadgetStackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    GadgetListSave* save = SaveOf(window);
    if (!save)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC previousProc = save->previousProc;
    if (message == WM_NCDESTROY) {
        if (GadgetList && CurrentParent(*GadgetList) == window) {
            GadgetList->parent = nullptr;
            GadgetList->stackDepth = 0;
        }
        HeapBlockFree(MainHeap, save->stack);
        HeapBlockFree(MainHeap, save);
        RemovePropA(window, SavePropertyName());
    }
    if (!previousProc)
        return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(previousProc, window, message, wParam, lParam);
}
