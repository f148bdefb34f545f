#include "window/system_library.h"

#include <shlwapi.h>

std::uint32_t ReadCommonControlsVersion()
{
    HMODULE library = LoadLibraryA("COMCTL32.DLL");
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
    FreeLibrary(library);
    return version;
}
