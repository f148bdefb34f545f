#include "base/system_dll.h"

#include <array>
#include <cwchar>

namespace {

// Where SetDefaultDllDirectories exists (Windows 8, and Windows 7 with its
// loader update), LoadLibraryExW takes the search flags, which hold for the
// library's own imports too; before, it rejects them, and only a full path
// keeps the program's folder out of the search.
bool SearchFlagsKnown()
{
    static const bool known =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
    return known;
}

HMODULE LoadByFullPath(const wchar_t* fileName)
{
    std::array<wchar_t, MAX_PATH> path{};
    const UINT folderLength = GetSystemDirectoryW(path.data(), MAX_PATH);
    const std::size_t nameLength = std::wcslen(fileName);
    if (folderLength == 0 || folderLength + 1 + nameLength >= path.size())
        return nullptr;
    path[folderLength] = L'\\';
    std::wmemcpy(path.data() + folderLength + 1, fileName, nameLength + 1);
    // The library's own imports are then looked for in its folder, not in
    // the program's.
    return LoadLibraryExW(path.data(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

void RestrictLibrarySearch()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        LibraryFunction<SetDirectories>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* fileName)
{
    if (SearchFlagsKnown())
        return LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadByFullPath(fileName);
}
