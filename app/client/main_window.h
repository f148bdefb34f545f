#pragma once
// The client's one window: its fonts, its size and style, and its gadgets as
// one table in their order of creation.

#include "app/client/client_gadgets.h"
#include "gadget/gadget.h"
#include "gadget/gadget_kinds.h"

#include <windows.h>

#include <array>
#include <cstdint>

// The progress bar's range: a chunk position above it shows a full bar.
constexpr std::int32_t DumpProgressMaximum = 300;

// Font handles as FontOpen gave them; 0 when a font could not be made, and
// its gadgets then keep the system font.
extern std::intptr_t MediumFont;    // fields 10 and 11
extern std::intptr_t LargeFont;     // the reading field, 9
extern std::intptr_t SmallBoldFont; // the log, 12

// Which of the client's fonts a gadget is given; Default leaves the one every
// new gadget gets.
enum class ClientFont { Default, Medium, Large, SmallBold };

// One gadget of the window: a rectangle in client pixels at 96 dpi, its caption (the
// buttons'; the fields start empty), its font and the constructor's flags.
struct GadgetLayout {
    GadgetKind kind;
    ObjectNumber number;
    std::int32_t x, y, width, height;
    const char* caption;
    ClientFont font;
    std::uint32_t flags;
};

// The window's client area, in pixels at 96 dpi; the window and every gadget
// are scaled from them to the window's DPI.
constexpr std::int32_t MainWindowWidth = 555;
constexpr std::int32_t MainWindowHeight = 280;

// The gadgets in their order of creation, which is also the order of the
// window's children and so of Tab. A control is one row: its creation, its
// font, its place at every DPI and its disabling during a dump follow from it.
// Defined here so that its size is known wherever it is walked, the tests
// that drive the program from outside included.
inline constexpr std::array ClientGadgetLayout = std::to_array<GadgetLayout>({
    {GadgetKindComboBox, PortList, 30, 20, 70, 20, nullptr, ClientFont::Default, 0},
    {GadgetKindStringField, ReadingField, 130, 20, 280, 60, "", ClientFont::Large, StringReadOnly},
    {GadgetKindStringField, MemoryField, 130, 100, 90, 30, "", ClientFont::Medium, StringReadOnly},
    {GadgetKindStringField, IntervalField, 320, 100, 90, 30, "", ClientFont::Medium, StringReadOnly},
    {GadgetKindEditor, LogEditor, 130, 150, 280, 90, nullptr, ClientFont::SmallBold, 0},
    {GadgetKindButton, ReadButton, 30, 60, 80, 70, "Read", ClientFont::Default, 0},
    {GadgetKindButton, WatchButton, 30, 150, 80, 30, "Watch", ClientFont::Default, BS_AUTOCHECKBOX | BS_PUSHLIKE},
    {GadgetKindComboBox, WatchIntervalList, 30, 190, 80, 20, nullptr, ClientFont::Default, 0},
    {GadgetKindButton, ChartButton, 30, 220, 80, 30, "Chart", ClientFont::Default, 0},
    {GadgetKindButton, WriteButton, 460, 90, 60, 40, "Write", ClientFont::Default, 0},
    {GadgetKindButton, FormatButton, 460, 30, 60, 40, "Format", ClientFont::Default, 0},
    {GadgetKindButton, StepButton, 290, 105, 20, 20, "+", ClientFont::Default, 0},
    {GadgetKindButton, DumpButton, 460, 150, 60, 40, "Dump", ClientFont::Default, 0},
    {GadgetKindButton, ClearButton, 460, 210, 60, 40, "Clear", ClientFont::Default, 0},
    {GadgetKindProgressBar, DumpProgress, 130, 250, 140, 10, nullptr, ClientFont::Default, 0},
});

// Whoever waits for the window from outside takes LastGadget's existence for
// a complete layout.
static_assert(ClientGadgetLayout.back().number == LastGadget, "LastGadget must name the table's last row");

// The three fonts, and the gadgets' own where the window's DPI is not the
// system's, made for the DPI the window opens at.
void OpenClientFonts();
// The fixed-size window "Korvane", centred on the screen, its client area
// scaled to its DPI, still hidden; from then on the window follows changes
// of its DPI, owns every requester and watches the client's keys
// (key_watch.h).
void OpenMainWindow();
// The layout table's gadgets in their order of creation, each font applied
// right after its gadget exists; then the window shows.
void CreateClientGadgets();
// The main window or any control in it: where the client's keyboard watches
// take their keys.
bool IsInMainWindow(HWND window);
