#pragma once
// Switching the current gadget list (the window that receives new gadgets)
// between windows. Each window that has been a gadget list keeps its part of
// the gadget-list context in a save record while another window is current.

#include <windows.h>

// Makes the window the current gadget list and returns the gadget parent that
// was current before; with null (or a handle that names no window) it only
// returns the current parent.
HWND GadgetListUse(HWND window);

// Installed on every window that became a gadget list: frees its save record
// when the window is destroyed.
LRESULT CALLBACK GadgetStackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
