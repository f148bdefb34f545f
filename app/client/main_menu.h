#pragma once
// The main window's menu bar: what lies beyond the window's own buttons, and
// the way to what the program can do besides them. One table, like the
// window's layout: a new command is one row.

#include "base/object_number.h"

#include <cstdint>

// The bar's menus, left to right.
enum class MainMenu : std::uint8_t { File, Watch, Help };

// One item: its menu, its text (after a tab, the key that does the same), and
// what it does: the event of a gadget, as its press or key raises it (so a
// dump's rules for that gadget hold alike), or a call of its own, such as
// `[] { RunSequence(ItsRow); }`. A call of its own waits for no dump: the
// dispatch runs it only while none reads the line, unless the row says that
// it may run during one (it uses no line).
struct MainMenuItem {
    MainMenu menu;
    const char* text;
    ObjectNumber gadget;
    std::int32_t kind;
    void (*run)();
    bool duringDump;
};

// An item's command identifier is its row's index in the table
// (main_menu.cpp) plus MainMenuFirstCommand: a new row goes at the table's
// end, and stands in its menu after the earlier rows of that menu.
inline constexpr std::int32_t MainMenuFirstCommand = 100;
// "О программе", which the tests choose as the menu would.
inline constexpr std::int32_t AboutCommand = MainMenuFirstCommand + 2;
// "Открыть запись...", for the tests as well.
inline constexpr std::int32_t OpenRecordCommand = MainMenuFirstCommand + 4;
// "Пороги тревоги...".
inline constexpr std::int32_t AlarmLimitsCommand = MainMenuFirstCommand + 5;
// "Публикация...".
inline constexpr std::int32_t PublishCommand = MainMenuFirstCommand + 6;

// Builds the bar from the table and gives it to the main window, whose client
// area keeps its size.
void AttachMainMenu();
// The row of a command identifier from EV_MENU; null for any other.
const MainMenuItem* MainMenuItemOf(ObjectNumber command);
// Greys every item but those that may run during a dump while the line is
// busy, as the window's commands are.
void ShowMainMenuState(bool lineIdle);
