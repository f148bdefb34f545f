#include "app/client_effects.h"

#include "app/logger_effects.h"
#include "app/main_window.h"
#include "app/messages.h"

#include "gadget/gadget.h"
#include "window/message_dialog.h"

namespace {

void ShowReading(const char* text) { GadgetSetText(ReadingField, text); }

void ShowMemory(const char* text) { GadgetSetText(MemoryField, text); }

void ShowIntervalName(const char* text) { GadgetSetText(IntervalField, text); }

// Line 0 of the editor: the newest entry stands above every earlier one.
void AddLogEntry(const char* text) { GadgetInsertItem(LogEditor, 0, text); }

void ShowDumpProgress(std::int32_t position) { GadgetSetState(DumpProgress, position); }

void ShowNoPort() { MessageDialog(TextErrorTitle, TextNoOpenPort, ErrorRequesterFlags); }

void ShowNoAnswer() { MessageDialog(TextErrorTitle, TextLoggerNotAnswering, ErrorRequesterFlags); }

} // namespace

void InstallClientEffects()
{
    LoggerInstallEffects(LoggerEffects{
        .showReading = ShowReading,
        .showMemory = ShowMemory,
        .showInterval = ShowIntervalName,
        .addToLog = AddLogEntry,
        .showProgress = ShowDumpProgress,
        .reportNoPort = ShowNoPort,
        .reportNoAnswer = ShowNoAnswer,
    });
}
