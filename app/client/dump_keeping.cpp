#include "app/client/dump_keeping.h"

#include "app/client/chart_window.h"
#include "app/client/client_gadgets.h"
#include "app/client/file_report.h"
#include "app/client/messages.h"
#include "app/client/record_times.h"
#include "app/client/watch_file.h"
#include "app/logger/log_file_format.h"
#include "app/logger/memory_dump.h"

#include "gadget/gadget.h"
#include "window/byte_run.h"
#include "window/process_heap.h"

#include <cstring>

namespace {

// The dump collecting now.
struct Collecting {
    bool running;
    ByteRun bytes; // as the logger sent them, for the readings at its end
    DumpTextState text;
    std::int64_t utcSeconds;
    WatchClock began;
    std::uint32_t intervalSeconds;
    wchar_t textPath[MAX_PATH];
    wchar_t tablePath[MAX_PATH];
    bool textShort; // a part could not be handed to the writer
};

Collecting Now{};
KeptDump Last{};

void HandText(const char* bytes, std::size_t length)
{
    ProcessHeapBlock block(length * 3);
    auto* text = block.As<char>();
    Now.textShort = !text || !DumpFileAdd(text, DumpTextUtf8(Now.text, bytes, length, text)) || Now.textShort;
}

std::uint32_t IntervalShown()
{
    char name[16] = {};
    if (HWND field = GadgetHandle(IntervalField))
        GetWindowTextA(field, name, static_cast<int>(sizeof name));
    return DumpIntervalSeconds(name);
}

void CountLine(void* context, const char*, std::size_t, const ReplyNumber& number)
{
    DumpSummaryAdd(*static_cast<DumpSummary*>(context), number);
}

// The readings of the dump that ended, as its chart and its table take them.
struct Readings {
    KeptDump& dump;
    std::uint64_t count;
    std::int64_t lastUtc;
    std::uint32_t intervalSeconds;
    WatchSeparators separators;
    ByteRun table;
    bool tableShort; // no memory for all of it
    std::uint64_t number;
};

void TakeLine(void* context, const char* line, std::size_t length, const ReplyNumber& number)
{
    auto& readings = *static_cast<Readings*>(context);
    if (!DumpLineHoldsReading(number))
        return;
    DumpRow row{++readings.number, readings.dump.timed, {}, {}, number, line, length};
    std::uint64_t time = readings.number * 1000;
    if (row.timed) {
        const std::int64_t utc =
            DumpReadingTime(readings.lastUtc, readings.intervalSeconds, readings.number, readings.count);
        row.utc = WatchClockFromSeconds(utc);
        row.local = LocalClockAt(utc);
        time = static_cast<std::uint64_t>(utc) * 1000;
    }
    WatchReadingsAdd(readings.dump.readings, time, number);
    char text[WatchRowLongest];
    readings.tableShort =
        readings.tableShort || !ByteRunAppend(readings.table, text, DumpRowText(row, readings.separators, text));
}

// The text's last line, for a dump that did not end by itself.
void HandLastLine(const char* text1251)
{
    const char* lineEnd = "\r";
    if (Now.text.lineOpen)
        HandText(lineEnd, 1);
    HandText(text1251, std::strlen(text1251));
    HandText(lineEnd, 1);
}

void TakeReadings()
{
    WatchReadingsClear(Last.readings);
    Last.summary = DumpSummary{};
    DumpVisitLines(Now.bytes.bytes, Now.bytes.length, CountLine, &Last.summary);
    const std::uint64_t count = Last.summary.readings;
    // The times count back from the dump's start, and stay after 1601.
    Last.timed = Now.intervalSeconds != 0 && count <= static_cast<std::uint64_t>(Now.utcSeconds) / Now.intervalSeconds;
    char list[WatchSeparatorLongest + 1];
    char decimal[WatchSeparatorLongest + 1];
    ReadSeparator(LOCALE_SLIST, list);
    ReadSeparator(LOCALE_SDECIMAL, decimal);
    Readings readings{Last, count, Now.utcSeconds, Now.intervalSeconds, {list, decimal}, {}, false, 0};
    char header[WatchRowLongest];
    ByteRunAppend(readings.table, "\xef\xbb\xbf", 3);
    ByteRunAppend(readings.table, header, DumpHeaderText(readings.separators, header));
    DumpVisitLines(Now.bytes.bytes, Now.bytes.length, TakeLine, &readings);
    DumpFileEnd(readings.table.bytes, readings.table.length);
    ByteRunFree(readings.table);
}

} // namespace

void KeepDumpBegun()
{
    ByteRunFree(Now.bytes);
    Now = Collecting{};
    const std::int64_t utc = UtcMilliseconds();
    Now.utcSeconds = utc / 1000;
    Now.began = LocalClockAt(Now.utcSeconds);
    Now.intervalSeconds = IntervalShown();
    Now.running = true;
    DumpFileBegin(Now.began);
}

void KeepDumpPart(const char* bytes, std::int32_t length)
{
    if (!Now.running || length <= 0)
        return;
    const auto size = static_cast<std::size_t>(length);
    ByteRunAppend(Now.bytes, bytes, size);
    HandText(bytes, size);
}

void KeepDumpEnded(DumpEnd end)
{
    if (!Now.running)
        return;
    Now.running = false;
    if (end != DumpEnd::Whole)
        HandLastLine(end == DumpEnd::Stopped ? TextDumpStopped : TextDumpCut);
    Last.present = true;
    Last.time = static_cast<std::uint64_t>(Now.utcSeconds) * 1000;
    Last.began = Now.began;
    lstrcpynW(Last.text, Now.textPath, MAX_PATH);
    lstrcpynW(Last.table, Now.tablePath, MAX_PATH);
    Last.textFailed = Now.textShort;
    Last.tableFailed = false;
    TakeReadings();
    ByteRunFree(Now.bytes);
    DumpChartChanged();
}

void HandleDumpFileNews()
{
    WatchFileNews news{};
    if (!DumpFileTakeNews(news))
        return;
    // While a dump collects, the news is of its files.
    wchar_t* text = Now.running ? Now.textPath : Last.text;
    wchar_t* table = Now.running ? Now.tablePath : Last.table;
    lstrcpynW(text, news.path, MAX_PATH);
    lstrcpynW(table, news.table, MAX_PATH);
    if (Now.running || !news.ended)
        return;
    Last.textFailed = Last.textFailed || news.lost > 0 || !news.open;
    Last.tableFailed = !news.tableWritten;
    DumpChartChanged();
    if (Last.textFailed || Last.tableFailed)
        ReportFileFailure(TextDumpFileFailed, Last.textFailed ? news.path : news.table, news.error);
}

const KeptDump& LastDump() { return Last; }
