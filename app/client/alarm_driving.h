#pragma once
// A watch's alarm as it runs: each slot judged by the alarm's limits
// (app/logger/alarm_rule.h), what it changes told at once in the log, by the
// user's "Critical Stop" sound, the taskbar button and a notification from
// the notification icon, never by a requester and never taking the focus;
// the time each alarm lasted kept for the chart. The reading field's colour
// and the icon's form follow from AlarmNow (app/client/window_state.h).

#include "app/logger/alarm_rule.h"
#include "app/logger/watch_record.h"
#include "app/logger/watch_rows.h"

#include <cstddef>
#include <cstdint>

// What a slot's own row notes of the alarm.
struct AlarmRowNote {
    WatchAlarmNote note;
    double limit;
};

// The slot's reading (its number; a slot without one passes none found),
// after `missed` slots without a reading. `readingText` is the reading as
// the field shows it, for the log. A slot whose line the user's own command
// or dump had is no slot at all to the alarm: it neither counts toward "no
// readings" nor breaks a count.
AlarmRowNote AlarmTakeSlot(std::uint64_t missed, const ReplyNumber& number, const wchar_t* readingText,
                           bool lineBusy);
// The slot's time (UTC milliseconds since 1601), once its row has one: an
// alarm that began or ended with the slot begins or ends there on the chart.
void AlarmSlotTime(std::uint64_t utcMilliseconds);

// The alarm now, and the limit it passed.
AlarmKind AlarmNow();
double AlarmLimitNow();

// A new watch starts with no alarm and nothing counted.
void AlarmBegin();

// The times alarms lasted, oldest first, at most AlarmSpansKept of them;
// `to` is 0 while the alarm lasts.
struct AlarmSpan {
    std::uint64_t from, to;
};
inline constexpr std::size_t AlarmSpansKept = 64;
std::size_t AlarmSpanCount();
AlarmSpan AlarmSpanAt(std::size_t i);
