#pragma once
// The client's one window: its fonts, its size and style, and its twelve
// gadgets as one table in their order of creation.

#include "app/client/client_gadgets.h"
#include "gadget/gadget.h"

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
// window's children and so of Tab.
extern const std::array<GadgetLayout, 12> ClientGadgetLayout;

// The three fonts, and the gadgets' own where the window's DPI is not the
// system's, made for the DPI the window opens at.
void OpenClientFonts();
// The fixed-size window "Korvane", centred on the screen, its client area
// scaled to its DPI; from then on the window follows changes of its DPI,
// owns every requester and watches the client's keys (key_watch.h).
void OpenMainWindow();
// The twelve gadgets in their order of creation, each font applied right
// after its gadget exists.
void CreateClientGadgets();
// The main window or any control in it: where the client's keyboard watches
// take their keys.
bool IsInMainWindow(HWND window);
