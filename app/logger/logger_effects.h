#pragma once
// The protocol and the dump never touch the window. Everything they show goes
// through these effects, which the caller installs: the window client carries
// them out on its gadgets and requesters, tests record them.

#include <cstdint>

// How a dump's text ended.
enum class DumpEnd {
    Whole,   // the logger's zero byte, then a quiet line
    Stopped, // the user stopped it
    Cut,     // cut short: the logger fell silent, the port went, the program ended
};

struct LoggerEffects {
    // Texts are never null; an empty string variable arrives as "".
    void (*showReading)(const char* text);  // the reading field, gadget 9
    void (*showMemory)(const char* text);   // the memory field, gadget 10
    void (*showInterval)(const char* text); // the interval field, gadget 11
    void (*addToLog)(const char* text);     // inserted above the earlier lines of the log, gadget 12
    // A dump's entry, which grows as its text comes in: begun on top of the
    // log, each later part goes on at its end, before its line break, until
    // it ends. A line added meanwhile waits until then, so that it never
    // lands inside the entry. Without beginLogEntry, addToLog begins it.
    void (*beginLogEntry)(const char* text);
    void (*extendLogEntry)(const char* text);
    void (*endLogEntry)();
    // True when the log would rather take a dump's text at every poll than in
    // DumpShowEvery polls' parts: where each line an insertion carries costs in
    // proportion to the text below it, shorter parts keep each wait short.
    // `extending`: the next part goes on at the newest entry's end; otherwise
    // it opens a new entry on top.
    bool (*logPrefersShortParts)(bool extending);
    void (*showProgress)(std::int32_t position); // the progress bar, gadget 14 (range 0 to 300)
    void (*holdProgress)(); // the position last shown stands until the next poll: the chunk is done
    // The reports are modal requesters: they return once the user closed them.
    void (*reportNoPort)();         // "Ошибка" / "Нет открытого порта"
    void (*reportNoAnswer)();       // "Ошибка" / "Логгер не отвечает": a dump ran into silence
    // "Ошибка" / the text may be damaged: the driver reported bytes of a
    // dump lost or damaged on the line (an overrun, a framing error, a break).
    void (*reportLineError)();
    // "Ошибка" / "Недостаточно памяти": a dump got no memory for its bytes, or
    // a command none for its letter, which was then not sent.
    void (*reportNoMemory)();
    // The open port went away: CurrentPort is already closed and 0. Opens the
    // selected port again, without a word, or says whether a caller that
    // opens it before each command (the window client) has it open; true
    // when CurrentPort is open then.
    bool (*reopenPort)();
    // "Ошибка" / "Не удалось открыть порт  " and the port's name: it went
    // away and could not be opened again.
    void (*reportPortLost)();
    // Format is about to erase the logger's stored readings: true when the
    // user said yes.
    bool (*confirmFormat)();
    // reopenPort after a command found the port gone: tries again for up to
    // about a second, since a device that re-enumerates is back in that time.
    // Without the slot, reopenPort's one try.
    bool (*awaitPortReturn)();
    // The wait between a command byte and the reading of its reply: at least
    // that many milliseconds, spent as the caller likes. Without the slot, a
    // plain sleep.
    void (*waitForReply)(std::int32_t milliseconds);
    // A dump's text for keeping, apart from the log: its beginning once "D"
    // has gone out, each part of it as it is appended (never a zero byte),
    // and its end, before any report of it.
    void (*dumpBegan)();
    void (*dumpArrived)(const char* bytes, std::int32_t length);
    void (*dumpEnded)(DumpEnd end);
};

// Installs the effects that every later sequence raises; the record is copied.
// A null slot makes its effect do nothing.
void LoggerInstallEffects(const LoggerEffects& effects);

// Raising an effect: each calls the installed slot, if any.
void ShowInReadingField(const char* text);
void ShowInMemoryField(const char* text);
void ShowInIntervalField(const char* text);
void AddToLog(const char* text);
void BeginLogEntry(const char* text);
void ExtendLogEntry(const char* text);
void EndLogEntry();
bool LogPrefersShortParts(bool extending); // false without the effect
void ShowProgress(std::int32_t position);
void HoldProgress();
void ReportNoPort();
void ReportNoAnswer();
void ReportLineError();
void ReportNoMemory();
bool ReopenPort(); // false without the effect
bool ConfirmFormat(); // false without the effect: nothing is erased unasked
bool AwaitPortReturn();
void ReportPortLost();
void WaitForReply(std::int32_t milliseconds);
void DumpBegan();
void DumpArrived(const char* bytes, std::int32_t length);
void DumpEnded(DumpEnd end);
