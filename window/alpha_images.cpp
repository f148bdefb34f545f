#include "window/alpha_images.h"
#include "window/system_library.h"

#include <windows.h>

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

VisualStyleFacts GatherVisualStyleFacts()
{
    VisualStyleFacts facts{};
    // A version that could not be read counts as the oldest.
    const std::uint32_t version = ReadCommonControlsVersion();
    facts.commonControlsVersion = version ? version : 1;
    HMODULE theme = LoadSystemDll(L"uxtheme.dll");
    facts.themeLibraryLoaded = theme != nullptr;
    if (!theme)
        return facts;
    if (auto isAppThemed = LibraryFunction<BOOL(WINAPI*)()>(theme, "IsAppThemed")) {
        facts.themeQueryAvailable = true;
        facts.appThemed = isAppThemed() != FALSE;
    }
    // Kept loaded: the system's own DLLs may load it later by bare name, and
    // a library already loaded is taken as it is, not looked for again
    // beside the program (Windows 7 without its loader update searches there).
    return facts;
}

void ImageLayerStart()
{
    AlphaImagesSupported = AlphaImagesDecision(GatherSystemVersionFacts(), GatherVisualStyleFacts());
}
