#include "window/alpha_images.h"

#include <windows.h>
#include <shlwapi.h>

bool AlphaImagesSupported = false;

bool VisualStylesDecision(const VisualStyleFacts& facts)
{
    return facts.themeLibraryLoaded && facts.themeQueryAvailable && facts.appThemed &&
           facts.commonControlsVersion >= COMMON_CONTROLS_6;
}

bool SystemVersionAllowsAlphaImages(const SystemVersionFacts& version)
{
    // An unknown version leaves the decision to the visual-style test.
    if (!version.known)
        return true;
    if (version.platformId == VER_PLATFORM_WIN32_WINDOWS)
        return false;
    if (version.platformId == VER_PLATFORM_WIN32_NT)
        return version.majorVersion > 5 || (version.majorVersion == 5 && version.minorVersion >= 1);
    return true;
}

bool AlphaImagesDecision(const SystemVersionFacts& version, const VisualStyleFacts& styles)
{
    return SystemVersionAllowsAlphaImages(version) && VisualStylesDecision(styles);
}

SystemVersionFacts GatherSystemVersionFacts()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool known = GetVersionExA(&info) != FALSE;
#pragma GCC diagnostic pop
    return {known, info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

namespace {

template <typename Function>
Function LibraryFunction(HMODULE library, const char* name)
{
    // GetProcAddress hands out a generic pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::uint32_t CommonControlsVersion()
{
    std::uint32_t version = 1;
    HMODULE library = LoadLibraryA("COMCTL32.DLL");
    if (!library)
        return version;
    if (auto getVersion = LibraryFunction<DLLGETVERSIONPROC>(library, "DllGetVersion")) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (SUCCEEDED(getVersion(&info)))
            version = (info.dwMajorVersion & 0xFFFF) << 16 | (info.dwMinorVersion & 0xFFFF);
    }
    FreeLibrary(library);
    return version;
}

} // namespace

VisualStyleFacts GatherVisualStyleFacts()
{
    VisualStyleFacts facts{};
    facts.commonControlsVersion = CommonControlsVersion();
    HMODULE theme = LoadLibraryA("uxtheme.dll");
    facts.themeLibraryLoaded = theme != nullptr;
    if (!theme)
        return facts;
    if (auto isAppThemed = LibraryFunction<BOOL(WINAPI*)()>(theme, "IsAppThemed")) {
        facts.themeQueryAvailable = true;
        facts.appThemed = isAppThemed() != FALSE;
    }
    FreeLibrary(theme);
    return facts;
}

bool VisualStyleTest()
{
    return VisualStylesDecision(GatherVisualStyleFacts());
}

void ImageLayerStart()
{
    AlphaImagesSupported = SystemVersionAllowsAlphaImages(GatherSystemVersionFacts()) && VisualStyleTest();
}
