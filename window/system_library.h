#pragma once
// Calls into system libraries that a system may lack or have in an older
// version: looked up at run time, so that the program starts without them.

#include "base/system_dll.h"

#include <windows.h>

#include <cstdint>

// (major << 16) | minor of COMCTL32.DLL; 1 when it exports no DllGetVersion,
// 0 when it does not load or its DllGetVersion fails.
std::uint32_t ReadCommonControlsVersion();

// Makes the calling thread a COM thread, once, and gives COM's
// CoCreateInstance; null where COM does not start. COM is loaded with the
// first feature that needs it, not at the program's start.
using ComCreateFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
ComCreateFunction StartCom();
