#include "gadget/editor.h"
#include "gadget/editor_themes.h"

#include "window/alpha_images.h"
#include "window/system_library.h"

#include <richedit.h>
#include <uxtheme.h>

#include <cstdint>

bool VisualStylesActive = false;

namespace {

using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME);
using GetThemeBackgroundContentRectFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPRECT);
using IsThemeBackgroundPartiallyTransparentFn = BOOL(WINAPI*)(HTHEME, int, int);
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPCRECT);

constexpr int EditTextPart = 1;     // EP_EDITTEXT
constexpr int NormalState = 1;      // ETS_NORMAL
constexpr int DisabledState = 4;    // ETS_DISABLED
constexpr int ReadOnlyState = 6;    // ETS_READONLY

std::uint32_t CommonControlsVersion = 0;
HMODULE ThemeLibrary = nullptr;

struct ThemeCalls {
    OpenThemeDataFn openThemeData;
    CloseThemeDataFn closeThemeData;
    GetThemeBackgroundContentRectFn getThemeBackgroundContentRect;
    IsThemeBackgroundPartiallyTransparentFn isThemeBackgroundPartiallyTransparent;
    DrawThemeParentBackgroundFn drawThemeParentBackground;
    DrawThemeBackgroundFn drawThemeBackground;
};
ThemeCalls Theme{};

bool ThemedFrameAvailable()
{
    return VisualStylesActive && Theme.openThemeData && Theme.closeThemeData;
}

struct Margins {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

Margins* MarginsOf(HWND window) { return static_cast<Margins*>(GetPropA(window, MarginsProperty)); }

int BorderState(HWND window)
{
    if (!IsWindowEnabled(window))
        return DisabledState;
    if (SendMessageA(window, EM_GETOPTIONS, 0, 0) & ECO_READONLY)
        return ReadOnlyState;
    return NormalState;
}

} // namespace

std::uint32_t DetectThemes()
{
    if (CommonControlsVersion > 1)
        return CommonControlsVersion;
    if (!ThemeLibrary)
        ThemeLibrary = LoadSystemDll(L"uxtheme.dll");
    const VisualStyleFacts facts = GatherVisualStyleFacts();
    VisualStylesActive = VisualStylesDecision(facts);
    CommonControlsVersion = facts.commonControlsVersion;
    return CommonControlsVersion;
}

void LoadThemeEntryPoints()
{
    if (!ThemeLibrary)
        return;
    Theme.openThemeData = LibraryFunction<OpenThemeDataFn>(ThemeLibrary, "OpenThemeData");
    Theme.closeThemeData = LibraryFunction<CloseThemeDataFn>(ThemeLibrary, "CloseThemeData");
    Theme.getThemeBackgroundContentRect =
        LibraryFunction<GetThemeBackgroundContentRectFn>(ThemeLibrary, "GetThemeBackgroundContentRect");
    Theme.isThemeBackgroundPartiallyTransparent =
        LibraryFunction<IsThemeBackgroundPartiallyTransparentFn>(ThemeLibrary, "IsThemeBackgroundPartiallyTransparent");
    Theme.drawThemeParentBackground = LibraryFunction<DrawThemeParentBackgroundFn>(ThemeLibrary, "DrawThemeParentBackground");
    Theme.drawThemeBackground = LibraryFunction<DrawThemeBackgroundFn>(ThemeLibrary, "DrawThemeBackground");
}

bool MeasureThemedFrame(HWND window, RECT* proposed)
{
    if (!ThemedFrameAvailable() || !Theme.getThemeBackgroundContentRect)
        return false;
    HTHEME theme = Theme.openThemeData(window, L"edit");
    if (!theme)
        return false;
    HWND parent = GetParent(window);
    HDC dc = GetDC(parent);
    RECT content{};
    bool applied = false;
    if (Theme.getThemeBackgroundContentRect(theme, dc, EditTextPart, NormalState, proposed, &content) == S_OK) {
        InflateRect(&content, -1, -1);
        if (Margins* margins = MarginsOf(window)) {
            *margins = Margins{content.left - proposed->left, content.top - proposed->top,
                               proposed->right - content.right, proposed->bottom - content.bottom};
        }
        *proposed = content;
        applied = true;
    }
    ReleaseDC(parent, dc);
    Theme.closeThemeData(theme);
    return applied;
}

void PaintThemedBorder(HWND window)
{
    if (!ThemedFrameAvailable() || !Theme.drawThemeBackground)
        return;
    HTHEME theme = Theme.openThemeData(window, L"edit");
    if (!theme)
        return;
    HDC dc = GetWindowDC(window);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    const Margins margins = MarginsOf(window) ? *MarginsOf(window) : Margins{};
    // Only the border is painted; the control paints its client area.
    ExcludeClipRect(dc, bounds.left + margins.left, bounds.top + margins.top, bounds.right - margins.right,
                    bounds.bottom - margins.bottom);
    if (Theme.isThemeBackgroundPartiallyTransparent && Theme.drawThemeParentBackground &&
        Theme.isThemeBackgroundPartiallyTransparent(theme, EditTextPart, NormalState))
        Theme.drawThemeParentBackground(window, dc, &bounds);
    Theme.drawThemeBackground(theme, dc, EditTextPart, BorderState(window), &bounds, nullptr);
    Theme.closeThemeData(theme);
    ReleaseDC(window, dc);
}
