#include "app/client/main_menu.h"

#include "app/client/alarm_limits.h"
#include "app/client/chart_window.h"
#include "app/client/client_gadgets.h"
#include "app/client/log_document.h"
#include "app/client/messages.h"
#include "app/client/publish_dialog.h"
#include "app/client/record_opening.h"

#include "window/dpi.h"
#include "window/message_dialog.h"
#include "window/wide_text.h"
#include "window/window.h"

#include <windows.h>

#include <array>

namespace {

void ShowAbout() { MessageDialog(TextAboutTitle, TextAbout, InformationRequesterFlags); }

constexpr std::array<const char*, 3> MenuTitles{TextMenuFile, TextMenuWatch, TextMenuHelp};

// The items, each new one at the end.
constexpr std::array MainMenuItems = std::to_array<MainMenuItem>({
    {MainMenu::File, TextMenuSaveLog, LogEditor, LogCommandSave, nullptr, false},
    {MainMenu::Watch, TextMenuChart, ChartButton, BN_CLICKED, nullptr, false},
    {MainMenu::Help, TextMenuAbout, 0, 0, ShowAbout, true},
    {MainMenu::Watch, TextMenuDumpChart, 0, 0, OpenDumpChartWindow, true},
    {MainMenu::File, TextMenuOpenRecord, 0, 0, AskForRecordFile, true},
    {MainMenu::Watch, TextMenuAlarmLimits, 0, 0, OpenAlarmLimitsDialog, true},
    {MainMenu::Watch, TextMenuPublish, 0, 0, OpenPublishDialog, true},
});
static_assert(MainMenuItems[AboutCommand - MainMenuFirstCommand].run == ShowAbout);
static_assert(MainMenuItems[OpenRecordCommand - MainMenuFirstCommand].run == AskForRecordFile);
static_assert(MainMenuItems[AlarmLimitsCommand - MainMenuFirstCommand].run == OpenAlarmLimitsDialog);
static_assert(MainMenuItems[PublishCommand - MainMenuFirstCommand].run == OpenPublishDialog);

} // namespace

void AttachMainMenu()
{
    HMENU bar = CreateMenu();
    if (!bar)
        return;
    for (std::size_t m = 0; m < MenuTitles.size(); ++m) {
        HMENU popup = CreatePopupMenu();
        if (!popup)
            continue;
        for (std::size_t i = 0; i < MainMenuItems.size(); ++i)
            if (static_cast<std::size_t>(MainMenuItems[i].menu) == m)
                AppendMenuFromText(popup, MF_STRING, MainMenuFirstCommand + i, MainMenuItems[i].text);
        if (!AppendMenuFromText(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), MenuTitles[m]))
            DestroyMenu(popup);
    }
    WindowSetMenuBar(MainWindow, bar);
}

void ShowMainMenuState(bool lineIdle)
{
    HMENU bar = GetMenu(WindowHandle(MainWindow));
    if (!bar)
        return;
    bool changed = false;
    for (std::size_t i = 0; i < MainMenuItems.size(); ++i) {
        const UINT wanted = MainMenuItems[i].duringDump || lineIdle ? MF_ENABLED : MF_GRAYED;
        const UINT command = static_cast<UINT>(MainMenuFirstCommand + i);
        if ((GetMenuState(bar, command, MF_BYCOMMAND) & MF_GRAYED) != (wanted & MF_GRAYED)) {
            EnableMenuItem(bar, command, MF_BYCOMMAND | wanted);
            changed = true;
        }
    }
    if (changed)
        DrawMenuBar(WindowHandle(MainWindow));
}

const MainMenuItem* MainMenuItemOf(ObjectNumber command)
{
    const ObjectNumber row = command - MainMenuFirstCommand;
    if (row < 0 || row >= static_cast<ObjectNumber>(MainMenuItems.size()))
        return nullptr;
    return &MainMenuItems[static_cast<std::size_t>(row)];
}
