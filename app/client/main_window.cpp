#include "app/client/main_window.h"

#include "app/client/key_watch.h"
#include "app/client/main_menu.h"

#include "gadget/editor.h"
#include "gadget/font.h"
#include "gadget/gadget.h"
#include "gadget/gadget_kinds.h"
#include "window/dpi.h"
#include "window/dpi_scale.h"
#include "window/message_dialog.h"
#include "window/window.h"

std::intptr_t MediumFont = 0;
std::intptr_t LargeFont = 0;
std::intptr_t SmallBoldFont = 0;

namespace {

// No sizing border, so the layout never has to stretch.
constexpr std::uint32_t MainWindowFlags = WINDOW_FIXED_CENTERED;
static_assert(MainWindowFlags == 0xCA0001);

// The gadgets' font where the window's DPI is not the system's: a copy of
// the stock GUI font made for the window's. -1 is the stock font itself.
std::intptr_t GadgetFont = -1;

// The fonts of one DPI are numbered 1 to 4, those of the next DPI 11 to 14,
// and so on by turns: the old fonts are deleted only once every gadget has
// its new one, so no control ever holds a deleted font.
constexpr ObjectNumber FontNumbersApart = 10;
constexpr ObjectNumber GadgetFontNumber = 4;
ObjectNumber FontNumberBase = 0;

void ReleaseFonts(ObjectNumber base)
{
    for (ObjectNumber number = base + 1; number <= base + GadgetFontNumber; ++number)
        FontRelease(number);
}

// The DPI the fonts and the layout are made for; the system's until the
// window says otherwise.
std::int32_t LayoutDpi = 0;

std::int32_t CurrentLayoutDpi()
{
    if (!LayoutDpi)
        LayoutDpi = SystemDpi();
    return LayoutDpi;
}

LayoutRect ScaledRect(const GadgetLayout& g)
{
    return ScaleToDpi(LayoutRect{g.x, g.y, g.width, g.height}, CurrentLayoutDpi());
}

std::intptr_t FontHandle(ClientFont font)
{
    switch (font) {
    case ClientFont::Medium:
        return MediumFont;
    case ClientFont::Large:
        return LargeFont;
    case ClientFont::SmallBold:
        return SmallBoldFont;
    case ClientFont::Default:
        break;
    }
    return GadgetFont;
}

void CreateGadget(const GadgetLayout& g)
{
    const LayoutRect r = ScaledRect(g);
    switch (g.kind) {
    case GadgetKindComboBox:
        GadgetCreateComboBox(g.number, r.x, r.y, r.width, r.height, g.flags);
        break;
    case GadgetKindStringField:
        GadgetCreateStringField(g.number, r.x, r.y, r.width, r.height, g.caption, g.flags);
        break;
    case GadgetKindEditor:
        GadgetCreateEditor(g.number, r.x, r.y, r.width, r.height, g.flags);
        break;
    case GadgetKindButton:
        GadgetCreateButton(g.number, r.x, r.y, r.width, r.height, g.caption, g.flags);
        break;
    case GadgetKindProgressBar:
        GadgetCreateProgressBar(g.number, r.x, r.y, r.width, r.height, 0, DumpProgressMaximum, g.flags);
        break;
    }
    if (g.font != ClientFont::Default)
        GadgetApplyFont(g.number, FontHandle(g.font));
}

// Each font turns its points into pixels once, at the window's DPI. Opening a
// font under its number again frees the one made for the old DPI.
void OpenFontsForDpi(std::int32_t dpi)
{
    // The faces are passed exactly as the layout names them, the trailing
    // space of "Arial " included; the font mapper picks the closest face.
    MediumFont = FontOpenForDpi(FontNumberBase + 1, "Arial ", 15, 0, dpi);
    LargeFont = FontOpenForDpi(FontNumberBase + 2, "Arial Black", 22, FontBold, dpi);
    SmallBoldFont = FontOpenForDpi(FontNumberBase + 3, "Arial ", 12, FontBold, dpi);
    GadgetFont = dpi == SystemDpi() ? -1 : FontOpenGuiForDpi(FontNumberBase + GadgetFontNumber, dpi);
    GadgetApplyFont(AnyNumber, GadgetFont);
}

SIZE ClientSizeForDpi(ObjectNumber, std::int32_t dpi)
{
    return {ScaleToDpi(MainWindowWidth, dpi), ScaleToDpi(MainWindowHeight, dpi)};
}

// The new fonts reach every gadget before it moves: a control may measure
// its text when it is sized. The old fonts go last.
void LayOutForDpi(ObjectNumber, std::int32_t dpi)
{
    LayoutDpi = dpi;
    const ObjectNumber oldFonts = FontNumberBase;
    FontNumberBase = FontNumbersApart - FontNumberBase;
    OpenFontsForDpi(dpi);
    for (const GadgetLayout& g : ClientGadgetLayout) {
        GadgetApplyFont(g.number, FontHandle(g.font));
        const LayoutRect r = ScaledRect(g);
        GadgetResize(g.number, r.x, r.y, r.width, r.height);
    }
    ReleaseFonts(oldFonts);
}

constexpr WindowDpiFollower ClientDpiFollower{ClientSizeForDpi, LayOutForDpi};

} // namespace

void OpenClientFonts() { OpenFontsForDpi(CurrentLayoutDpi()); }

void OpenMainWindow()
{
    const std::int32_t dpi = CurrentLayoutDpi();
    WindowSetDpiFollower(&ClientDpiFollower);
    // The requested position only matters if centring is ever dropped. The
    // window shows once its gadgets exist: made in a shown window, the
    // controls took 28 ms more under Wine (76 against 48 ms).
    WindowOpen(MainWindow, ScaleToDpi(376, dpi), ScaleToDpi(204, dpi), ScaleToDpi(MainWindowWidth, dpi),
               ScaleToDpi(MainWindowHeight, dpi), "Korvane", MainWindowFlags | WINDOW_HIDDEN);
    AttachMainMenu();
    MessageDialogSetOwner(MainWindow);
    InstallKeyWatch();
    // A monitor whose scale changed since the user signed in has a DPI other
    // than the system's, and the window then follows its own.
    const std::int32_t windowDpi = WindowDpi(WindowHandle(MainWindow));
    if (windowDpi != dpi)
        WindowFollowDpi(MainWindow, windowDpi, nullptr);
}

void CreateClientGadgets()
{
    for (const GadgetLayout& gadget : ClientGadgetLayout)
        CreateGadget(gadget);
    ShowWindow(WindowHandle(MainWindow), SW_SHOWNORMAL);
}

bool IsInMainWindow(HWND window)
{
    HWND main = WindowHandle(MainWindow);
    return main && (window == main || IsChild(main, window));
}
