#pragma once
// Whether visual styles are in use (a theme, on common controls 6 or later):
// the one decision the editor's themed border and the images take. And
// whether 32-bit alpha images can be handed to the system as they are: only
// with visual styles, and not on Windows 9x, NT 4 or Windows 2000.

#include <cstdint>

// Decided once by ImageLayerStart.
extern bool AlphaImagesSupported;

void ImageLayerStart();

// The facts the decision reads, gathered from the platform by the functions
// below; kept apart so that every combination can be decided without it.
struct SystemVersionFacts {
    bool known; // GetVersionExA succeeded
    std::uint32_t platformId;
    std::uint32_t majorVersion;
    std::uint32_t minorVersion;
};

struct VisualStyleFacts {
    // (major << 16) | minor of COMCTL32.DLL; 1 when it reports none.
    std::uint32_t commonControlsVersion;
    bool themeLibraryLoaded;  // uxtheme.dll
    bool themeQueryAvailable; // it exports IsAppThemed
    bool appThemed;           // IsAppThemed() answered true
};

constexpr std::uint32_t COMMON_CONTROLS_6 = 0x60000;

// Themed, through a theme library that answers, on common controls 6 or later.
bool VisualStylesDecision(const VisualStyleFacts& facts);
// False on Windows 9x, NT 4 and Windows 2000.
bool SystemVersionAllowsAlphaImages(const SystemVersionFacts& version);
bool AlphaImagesDecision(const SystemVersionFacts& version, const VisualStyleFacts& styles);

SystemVersionFacts GatherSystemVersionFacts();
// Computed afresh on every call: the theme can change while the program runs.
VisualStyleFacts GatherVisualStyleFacts();
