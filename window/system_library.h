#pragma once
// Calls into system libraries that a system may lack or have in an older
// version: looked up at run time, so that the program starts without them.

#include <windows.h>

#include <cstdint>

// The library's export of that name as the caller's function type, or null.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name)
{
    // GetProcAddress hands out a generic pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// (major << 16) | minor of COMCTL32.DLL; 1 when it exports no DllGetVersion,
// 0 when it does not load or its DllGetVersion fails.
std::uint32_t ReadCommonControlsVersion();
