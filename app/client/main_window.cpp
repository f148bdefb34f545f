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
// and no sizing border, so the layout below never has to stretch.
constexpr std::uint32_t MainWindowFlags = 0xCA0001;
constexpr std::int32_t MainWindowWidth = 555;
constexpr std::int32_t MainWindowHeight = 280;

} // namespace

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
    GadgetCreateComboBox(PortList, 30, 20, 70, 20);
    GadgetCreateStringField(ReadingField, 130, 20, 280, 60, "", StringReadOnly);
    GadgetApplyFont(ReadingField, LargeFont);
    GadgetCreateStringField(MemoryField, 130, 100, 90, 30, "", StringReadOnly);
    GadgetApplyFont(MemoryField, MediumFont);
    GadgetCreateStringField(IntervalField, 320, 100, 90, 30, "", StringReadOnly);
    GadgetApplyFont(IntervalField, MediumFont);
    GadgetCreateEditor(LogEditor, 130, 150, 280, 90);
    GadgetApplyFont(LogEditor, SmallBoldFont);
    GadgetCreateButton(ReadButton, 30, 60, 80, 70, "Read");
    GadgetCreateButton(WriteButton, 460, 90, 60, 40, "Write");
    GadgetCreateButton(FormatButton, 460, 30, 60, 40, "Format");
    GadgetCreateButton(StepButton, 290, 105, 20, 20, "+");
    GadgetCreateButton(DumpButton, 460, 150, 60, 40, "Dump");
    GadgetCreateButton(ClearButton, 460, 210, 60, 40, "Clear");
    GadgetCreateProgressBar(DumpProgress, 130, 250, 140, 10, 0, DumpProgressMaximum);
}
