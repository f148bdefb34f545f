#pragma once
// Switching the current gadget list (the window that receives new gadgets)
// between windows. Each window that has been a gadget list keeps its part of
// the gadget-list context in a save record while another window is current.

#include <windows.h>

#include <cstdint>

// One record per process, created by the gadget library's start. The window
// layer switches the gadget-list part (parent and the stack) from window to
// window.
struct GadgetListContext {
    HWND parent; // the window that receives new gadgets
    HFONT defaultFont;
    HWND* stack; // block of stackCapacity window handles
    std::int32_t stackDepth;
    std::int32_t stackCapacity;
};

// The stack's capacity in a fresh context and in every window's save record.
constexpr std::int32_t GadgetStackCapacity = 10;

// Null until the gadget library has started.
extern GadgetListContext* GadgetList;

// Makes the window the current gadget list and returns the gadget parent that
// was current before; with null (or a handle that names no window) it only
// returns the current parent.
HWND GadgetListUse(HWND window);

// Installed on every window that became a gadget list: frees its save record
// when the window is destroyed.
LRESULT CALLBACK GadgetStackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
