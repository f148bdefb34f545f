#pragma once
// System libraries loaded at run time, from the system folder only.
//
// Windows looks for a library named without a path in the program's own
// folder first, unless it is one of the system's known libraries. A program
// started from a downloads folder would then run any winmm.dll or riched20.dll
// that a web page left there. Every library that is not a known one is
// therefore loaded here, by its place in the system folder, and never imported
// statically.

#include <windows.h>

// Called first thing in the program: from then on the libraries that Windows'
// own DLLs load later by bare name (those of the Save dialog, accessibility,
// input) come from the system folder too. Where the system cannot do that
// (Windows 7 without its loader update), only the current folder leaves the
// search; the program's folder stays in it, so LoadSystemDll's full paths
// still matter there.
void RestrictLibrarySearch();

// The library from the system folder, or null when it is not there or does
// not load. The handle stays loaded until the process ends or the caller
// frees it.
HMODULE LoadSystemDll(const wchar_t* fileName);

// The library's export of that name as the caller's function type, or null.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name)
{
    // GetProcAddress hands out a generic pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The export of that name from the system folder's library, as the caller's
// function type; null when either is missing. For a library most runs never
// need: imported, it would load at every start.
template <typename Function>
Function SystemDllFunction(const wchar_t* fileName, const char* name)
{
    HMODULE library = LoadSystemDll(fileName);
    return library ? LibraryFunction<Function>(library, name) : nullptr;
}
