#include "app/logger/logger_effects.h"

#include "base/delay.h"

namespace {

LoggerEffects installed{};

const char* TextOrEmpty(const char* text) { return text ? text : ""; }

} // namespace

void LoggerInstallEffects(const LoggerEffects& effects) { installed = effects; }

void ShowInReadingField(const char* text)
{
    if (installed.showReading)
        installed.showReading(TextOrEmpty(text));
}

void ShowInMemoryField(const char* text)
{
    if (installed.showMemory)
        installed.showMemory(TextOrEmpty(text));
}

void ShowInIntervalField(const char* text)
{
    if (installed.showInterval)
        installed.showInterval(TextOrEmpty(text));
}

void AddToLog(const char* text)
{
    if (installed.addToLog)
        installed.addToLog(TextOrEmpty(text));
}

void BeginLogEntry(const char* text)
{
    if (installed.beginLogEntry)
        installed.beginLogEntry(TextOrEmpty(text));
    else
        AddToLog(text);
}

void ExtendLogEntry(const char* text)
{
    if (installed.extendLogEntry)
        installed.extendLogEntry(TextOrEmpty(text));
}

void EndLogEntry()
{
    if (installed.endLogEntry)
        installed.endLogEntry();
}

bool LogPrefersShortParts(bool extending)
{
    return installed.logPrefersShortParts && installed.logPrefersShortParts(extending);
}

void ShowProgress(std::int32_t position)
{
    if (installed.showProgress)
        installed.showProgress(position);
}

void HoldProgress()
{
    if (installed.holdProgress)
        installed.holdProgress();
}

void ReportNoPort()
{
    if (installed.reportNoPort)
        installed.reportNoPort();
}

void ReportNoAnswer()
{
    if (installed.reportNoAnswer)
        installed.reportNoAnswer();
}

void ReportLineError()
{
    if (installed.reportLineError)
        installed.reportLineError();
}

void ReportNoMemory()
{
    if (installed.reportNoMemory)
        installed.reportNoMemory();
}

bool ReopenPort() { return installed.reopenPort && installed.reopenPort(); }

bool AwaitPortReturn() { return installed.awaitPortReturn ? installed.awaitPortReturn() : ReopenPort(); }

void ReportPortLost()
{
    if (installed.reportPortLost)
        installed.reportPortLost();
}

bool ConfirmFormat() { return installed.confirmFormat && installed.confirmFormat(); }

void WaitForReply(std::int32_t milliseconds)
{
    if (installed.waitForReply)
        installed.waitForReply(milliseconds);
    else
        SleepMilliseconds(milliseconds);
}

void DumpBegan()
{
    if (installed.dumpBegan)
        installed.dumpBegan();
}

void DumpArrived(const char* bytes, std::int32_t length)
{
    if (installed.dumpArrived && length > 0)
        installed.dumpArrived(bytes, length);
}

void DumpEnded(DumpEnd end)
{
    if (installed.dumpEnded)
        installed.dumpEnded(end);
}
