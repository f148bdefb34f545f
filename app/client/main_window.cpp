#include "app/client/main_window.h"

#include "gadget/editor.h"
#include "gadget/font.h"
#include "gadget/gadget.h"
#include "gadget/gadget_kinds.h"
#include "window/window.h"

std::intptr_t MediumFont = 0;
std::intptr_t LargeFont = 0;
std::intptr_t SmallBoldFont = 0;

namespace {

// Title bar, system menu and minimise button, centred: no maximise button
// and no sizing border, so the layout never has to stretch.
constexpr std::uint32_t MainWindowFlags = WINDOW_CENTER_ON_SCREEN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(MainWindowFlags == 0xCA0001);

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
    return 0;
}

void CreateGadget(const GadgetLayout& g)
{
    switch (g.kind) {
    case GadgetKindComboBox:
        GadgetCreateComboBox(g.number, g.x, g.y, g.width, g.height, g.flags);
        break;
    case GadgetKindStringField:
        GadgetCreateStringField(g.number, g.x, g.y, g.width, g.height, g.caption, g.flags);
        break;
    case GadgetKindEditor:
        GadgetCreateEditor(g.number, g.x, g.y, g.width, g.height, g.flags);
        break;
    case GadgetKindButton:
        GadgetCreateButton(g.number, g.x, g.y, g.width, g.height, g.caption, g.flags);
        break;
    case GadgetKindProgressBar:
        GadgetCreateProgressBar(g.number, g.x, g.y, g.width, g.height, 0, DumpProgressMaximum, g.flags);
        break;
    }
    if (g.font != ClientFont::Default)
        GadgetApplyFont(g.number, FontHandle(g.font));
}

} // namespace

const std::array<GadgetLayout, 12> ClientGadgetLayout = {{
    {GadgetKindComboBox, PortList, 30, 20, 70, 20, nullptr, ClientFont::Default, 0},
    {GadgetKindStringField, ReadingField, 130, 20, 280, 60, "", ClientFont::Large, StringReadOnly},
    {GadgetKindStringField, MemoryField, 130, 100, 90, 30, "", ClientFont::Medium, StringReadOnly},
    {GadgetKindStringField, IntervalField, 320, 100, 90, 30, "", ClientFont::Medium, StringReadOnly},
    {GadgetKindEditor, LogEditor, 130, 150, 280, 90, nullptr, ClientFont::SmallBold, 0},
    {GadgetKindButton, ReadButton, 30, 60, 80, 70, "Read", ClientFont::Default, 0},
    {GadgetKindButton, WriteButton, 460, 90, 60, 40, "Write", ClientFont::Default, 0},
    {GadgetKindButton, FormatButton, 460, 30, 60, 40, "Format", ClientFont::Default, 0},
    {GadgetKindButton, StepButton, 290, 105, 20, 20, "+", ClientFont::Default, 0},
    {GadgetKindButton, DumpButton, 460, 150, 60, 40, "Dump", ClientFont::Default, 0},
    {GadgetKindButton, ClearButton, 460, 210, 60, 40, "Clear", ClientFont::Default, 0},
    {GadgetKindProgressBar, DumpProgress, 130, 250, 140, 10, nullptr, ClientFont::Default, 0},
}};

void OpenClientFonts()
{
    // The faces are passed exactly as the layout names them, the trailing
    // space of "Arial " included; the font mapper picks the closest face.
    MediumFont = FontOpen(1, "Arial ", 15);
    LargeFont = FontOpen(2, "Arial Black", 22, FontBold);
    SmallBoldFont = FontOpen(3, "Arial ", 12, FontBold);
}

void OpenMainWindow()
{
    // The requested position only matters if centring is ever dropped.
    WindowOpen(MainWindow, 376, 204, MainWindowWidth, MainWindowHeight, "Korvane", MainWindowFlags);
}

void CreateClientGadgets()
{
    for (const GadgetLayout& gadget : ClientGadgetLayout)
        CreateGadget(gadget);
}
