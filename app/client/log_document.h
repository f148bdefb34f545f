#pragma once
// The log as a document: a context menu and keys to copy it, select it all,
// save it to a file or clear it. The menu and Ctrl+S queue their command as
// an event of the log gadget, so the event loop runs it like a button press
// and nothing else runs meanwhile.

#include <windows.h>

#include <cstdint>

// The log's commands, as the kinds of its gadget events and as the menu's
// item ids: above every 16-bit notification code a control may send.
constexpr std::int32_t LogCommandCopy = 0x10001;
constexpr std::int32_t LogCommandSelectAll = 0x10002;
constexpr std::int32_t LogCommandSave = 0x10003;
constexpr std::int32_t LogCommandClear = 0x10004;
// The chart of the last dump, whose text the log shows.
constexpr std::int32_t LogCommandDumpChart = 0x10005;

// Once the log gadget exists: its menu and its menu keys (Ctrl+S is the key
// watch's). A second call changes nothing.
void InstallLogDocument();

// Runs one of the commands above; any other kind is ignored.
void RunLogCommand(std::int32_t command);

// The Save dialog, then the log's whole text into the chosen file. A failure
// shows a requester and leaves any earlier file as it was.
void SaveLogAs(HWND log);
