#include "window/system_library.h"

#include <shlwapi.h>

std::uint32_t ReadCommonControlsVersion()
{
    // The manifest sends the program to version 6 of the common controls,
    // side by side: the one already loaded is asked, as a load by the system
    // folder's path would find the old version there.
    HMODULE library = GetModuleHandleW(L"comctl32.dll");
    if (!library)
        return 0;
    // The first versions had no DllGetVersion.
    std::uint32_t version = 1;
    if (auto getVersion = LibraryFunction<DLLGETVERSIONPROC>(library, "DllGetVersion")) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        version = 0;
        if (SUCCEEDED(getVersion(&info)))
            version = (info.dwMajorVersion & 0xFFFF) << 16 | (info.dwMinorVersion & 0xFFFF);
    }
    return version;
}

ComCreateFunction StartCom()
{
    using ComStartFunction = HRESULT(WINAPI*)(LPVOID);
    static bool tried = false;
    static ComCreateFunction create = nullptr;
    if (tried)
        return create;
    tried = true;
    const auto comStart = SystemDllFunction<ComStartFunction>(L"ole32.dll", "CoInitialize");
    if (comStart && SUCCEEDED(comStart(nullptr)))
        create = SystemDllFunction<ComCreateFunction>(L"ole32.dll", "CoCreateInstance");
    return create;
}
