#include "app/client/client_effects.h"

#include "app/client/dump_keeping.h"
#include "app/logger/logger_effects.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_opening.h"
#include "app/client/port_selection.h"
#include "app/logger/progress_drawing.h"
#include "base/delay.h"

#include "gadget/editor.h"
#include "gadget/gadget.h"
#include "window/message_dialog.h"
#include "window/window.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>

namespace {

void ShowReading(const char* text) { GadgetSetText(ReadingField, text); }

void ShowMemory(const char* text) { GadgetSetText(MemoryField, text); }

void ShowIntervalName(const char* text) { GadgetSetText(IntervalField, text); }

// Where the log's newest entry ends, before its line break.
std::int32_t NewestEntryEnd = 0;

// A dump's entry is growing: NewestEntryEnd is its end, wherever lines
// added meanwhile have pushed it.
bool EntryGrowing = false;

// Line 0 of the editor: the newest entry stands above every earlier one. A
// line added while a dump's entry grows goes on top of it too, and the entry
// goes on growing below it, whole: the log reads as if the line had waited
// for the entry's end. `end` is the new entry's length, put at the top.
void EndNewEntry(std::int32_t end)
{
    const std::int32_t lineBreak = std::max(EditorInsertText(LogEditor, end, "\n"), 0);
    NewestEntryEnd = EntryGrowing ? NewestEntryEnd + end + lineBreak : end;
}

void AddLogEntry(const char* text) { EndNewEntry(std::max(EditorInsertText(LogEditor, 0, text), 0)); }

void BeginGrowingEntry(const char* text)
{
    EntryGrowing = false;
    AddLogEntry(text);
    EntryGrowing = true;
}

void ExtendNewestEntry(const char* text)
{
    NewestEntryEnd += std::max(EditorInsertText(LogEditor, NewestEntryEnd, text), 0);
}

void EndGrowingEntry() { EntryGrowing = false; }

// Wine's rich edit shifts every paragraph below an inserted line break, so a
// part costs its lines times the lines below it: a dump's four polls of
// readings (about 100 lines) above 64 KiB of earlier ones held the window
// 50 to 70 ms, one poll's a quarter of that. Above this many lines the text
// goes in at every poll; above fewer, parts of four polls cost the least time.
constexpr LRESULT ShortPartsBelowLines = 1000;

bool LogWantsShortParts(bool extending)
{
    HWND log = GadgetHandle(LogEditor);
    const LRESULT lines = SendMessageW(log, EM_GETLINECOUNT, 0, 0);
    // A new entry goes on top of every line.
    const LRESULT above = extending ? SendMessageW(log, EM_EXLINEFROMCHAR, 0, NewestEntryEnd) : 0;
    return lines - above > ShortPartsBelowLines;
}

// What the bar was last sent (it starts at 0), and the position the dump
// reported last.
ProgressBar DumpBar;
std::int32_t ProgressReported = 0;

// The pixels the bar's length is drawn over: its client area less the
// one-pixel frame the control draws inside it.
std::int32_t ProgressBarWidth()
{
    RECT client{};
    if (!GetClientRect(GadgetHandle(DumpProgress), &client))
        return 0;
    return static_cast<std::int32_t>(client.right - client.left) - 2;
}

void DrawDumpProgress(std::int32_t position, bool stands)
{
    if (ProgressDraw(DumpBar, position, stands, MonotonicMilliseconds(), DumpProgressMaximum, ProgressBarWidth()))
        GadgetSetState(DumpProgress, position);
}

void ShowDumpProgress(std::int32_t position)
{
    ProgressReported = position;
    DrawDumpProgress(position, false);
}

void HoldDumpProgress() { DrawDumpProgress(ProgressReported, true); }

void ShowNoPort() { MessageDialog(TextErrorTitle, TextNoOpenPort, ErrorRequesterFlags); }

void ShowNoAnswer() { MessageDialog(TextErrorTitle, TextLoggerNotAnswering, ErrorRequesterFlags); }

void ShowLineError() { MessageDialog(TextErrorTitle, TextDumpLineError, ErrorRequesterFlags); }

void ShowNoMemory() { MessageDialog(TextErrorTitle, TextNoMemory, ErrorRequesterFlags); }

bool AskBeforeFormat() { return MessageDialog(TextFormatTitle, TextFormatQuestion, FormatQuestionFlags) == IDYES; }

// A command's wait begins with the window drawing what its sequence showed so
// far: the fields fill as the replies come, not all at the sequence's end,
// and a window just shown is drawn before the start-up's replies. The drawing
// is spent inside the wait; no other message is taken.
void DrawThenWait(std::int32_t milliseconds)
{
    LARGE_INTEGER frequency{}, start{}, drawn{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (HWND window = WindowHandle(MainWindow))
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    QueryPerformanceCounter(&drawn);
    // Rounded down, so that the wait is never shorter than asked.
    const std::int64_t drawing = (drawn.QuadPart - start.QuadPart) * 1000 / std::max<LONGLONG>(frequency.QuadPart, 1);
    SleepMilliseconds(static_cast<std::int32_t>(std::max<std::int64_t>(milliseconds - drawing, 0)));
}

} // namespace

void InstallClientEffects()
{
    LoggerInstallEffects(LoggerEffects{
        .showReading = ShowReading,
        .showMemory = ShowMemory,
        .showInterval = ShowIntervalName,
        .addToLog = AddLogEntry,
        .beginLogEntry = BeginGrowingEntry,
        .extendLogEntry = ExtendNewestEntry,
        .endLogEntry = EndGrowingEntry,
        .logPrefersShortParts = LogWantsShortParts,
        .showProgress = ShowDumpProgress,
        .holdProgress = HoldDumpProgress,
        .reportNoPort = ShowNoPort,
        .reportNoAnswer = ShowNoAnswer,
        .reportLineError = ShowLineError,
        .reportNoMemory = ShowNoMemory,
        .reopenPort = OpenPortAgain,
        .reportPortLost = ReportPortOpenFailed,
        .confirmFormat = AskBeforeFormat,
        .awaitPortReturn = AwaitPortAgain,
        .waitForReply = DrawThenWait,
        .dumpBegan = KeepDumpBegun,
        .dumpArrived = KeepDumpPart,
        .dumpEnded = KeepDumpEnded,
    });
}

void AddToLogWide(const wchar_t* text) { EndNewEntry(std::max(EditorInsertWide(LogEditor, 0, text), 0)); }
