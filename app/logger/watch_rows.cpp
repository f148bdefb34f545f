#include "app/logger/watch_rows.h"

#include "app/logger/typed_number.h"
#include "app/logger/watch_record.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

// Entries lie back to back in blocks: each is its fixed part, then its reply.
struct WatchRowsBlock {
    WatchRowsBlock* next;
    std::size_t start; // the first entry not yet dropped
    std::size_t used;
    std::size_t lastEntry; // the newest entry, for a gap that lengthens it
    unsigned char bytes[16 * 1024];
};

namespace {

// utc, count, interval, gap, reply length, alarm note, its limit
constexpr std::size_t FixedPart = 8 + 4 + 4 + 1 + 1 + 1 + 8;

// "нет ответа", "ошибка на линии", "порт недоступен", "линия занята",
// "нет памяти", "пропуск", "компьютер спал", "программа не работала",
// "нет места для строк"
constexpr const char* GapNotes[] = {
    "",
    "\xd0\xbd\xd0\xb5\xd1\x82 \xd0\xbe\xd1\x82\xd0\xb2\xd0\xb5\xd1\x82\xd0\xb0",
    "\xd0\xbe\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0 \xd0\xbd\xd0\xb0 \xd0\xbb\xd0\xb8\xd0\xbd\xd0\xb8\xd0\xb8",
    "\xd0\xbf\xd0\xbe\xd1\x80\xd1\x82 \xd0\xbd\xd0\xb5\xd0\xb4\xd0\xbe\xd1\x81\xd1\x82\xd1\x83\xd0\xbf\xd0\xb5\xd0\xbd",
    "\xd0\xbb\xd0\xb8\xd0\xbd\xd0\xb8\xd1\x8f \xd0\xb7\xd0\xb0\xd0\xbd\xd1\x8f\xd1\x82\xd0\xb0",
    "\xd0\xbd\xd0\xb5\xd1\x82 \xd0\xbf\xd0\xb0\xd0\xbc\xd1\x8f\xd1\x82\xd0\xb8",
    "\xd0\xbf\xd1\x80\xd0\xbe\xd0\xbf\xd1\x83\xd1\x81\xd0\xba",
    "\xd0\xba\xd0\xbe\xd0\xbc\xd0\xbf\xd1\x8c\xd1\x8e\xd1\x82\xd0\xb5\xd1\x80 \xd1\x81\xd0\xbf\xd0\xb0\xd0\xbb",
    "\xd0\xbf\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd0\xbc\xd0\xb0 \xd0\xbd\xd0\xb5 "
    "\xd1\x80\xd0\xb0\xd0\xb1\xd0\xbe\xd1\x82\xd0\xb0\xd0\xbb\xd0\xb0",
    "\xd0\xbd\xd0\xb5\xd1\x82 \xd0\xbc\xd0\xb5\xd1\x81\xd1\x82\xd0\xb0 \xd0\xb4\xd0\xbb\xd1\x8f "
    "\xd1\x81\xd1\x82\xd1\x80\xd0\xbe\xd0\xba",
};
static_assert(sizeof GapNotes / sizeof GapNotes[0] == static_cast<std::size_t>(WatchGap::NoRoom) + 1);

void Store(unsigned char* to, const WatchRowsEntry& entry)
{
    std::memcpy(to, &entry.utc, 8);
    std::memcpy(to + 8, &entry.count, 4);
    std::memcpy(to + 12, &entry.interval, 4);
    to[16] = static_cast<unsigned char>(entry.gap);
    to[17] = static_cast<unsigned char>(entry.replyLength);
    to[18] = static_cast<unsigned char>(entry.alarm);
    std::memcpy(to + 19, &entry.alarmLimit, 8);
    if (entry.replyLength > 0)
        std::memcpy(to + FixedPart, entry.reply, entry.replyLength);
}

WatchRowsEntry Load(const unsigned char* from)
{
    WatchRowsEntry entry{};
    std::memcpy(&entry.utc, from, 8);
    std::memcpy(&entry.count, from + 8, 4);
    std::memcpy(&entry.interval, from + 12, 4);
    entry.gap = from[16] <= static_cast<unsigned char>(WatchGap::NoRoom) ? static_cast<WatchGap>(from[16]) : WatchGap::Missed;
    entry.replyLength = from[17];
    entry.alarm = from[18] <= static_cast<unsigned char>(WatchAlarmNote::Normal) ? static_cast<WatchAlarmNote>(from[18])
                                                                                : WatchAlarmNote::None;
    std::memcpy(&entry.alarmLimit, from + 19, 8);
    entry.reply = reinterpret_cast<const char*>(from + FixedPart);
    return entry;
}

// The newest entry lengthened by a gap that follows on from it.
bool Lengthen(WatchRows& rows, const WatchRowsEntry& entry)
{
    if (!rows.last || rows.last->used == rows.last->start || entry.gap == WatchGap::None)
        return false;
    unsigned char* at = rows.last->bytes + rows.last->lastEntry;
    WatchRowsEntry newest = Load(at);
    const std::int64_t next = newest.utc + static_cast<std::int64_t>(newest.count) * newest.interval;
    if (newest.gap != entry.gap || newest.interval != entry.interval || next != entry.utc ||
        newest.count > UINT32_MAX - entry.count)
        return false;
    newest.count += entry.count;
    std::memcpy(at + 8, &newest.count, 4);
    rows.rows += entry.count;
    return true;
}

} // namespace

const char* WatchGapNote(WatchGap gap)
{
    const auto index = static_cast<std::size_t>(gap);
    return index < sizeof GapNotes / sizeof GapNotes[0] ? GapNotes[index] : GapNotes[0];
}

std::size_t WatchAlarmNoteText(WatchAlarmNote note, double limit, const char* decimal,
                               char (&text)[WatchNoteLongest + 1])
{
    // "тревога: выше ", "тревога: ниже ", "норма"
    constexpr const char* Notes[] = {
        "",
        "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: \xd0\xb2\xd1\x8b\xd1\x88\xd0\xb5 ",
        "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: \xd0\xbd\xd0\xb8\xd0\xb6\xd0\xb5 ",
        "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0",
    };
    const auto index = static_cast<std::size_t>(note);
    SettingText built(text, sizeof text);
    built << (index < std::size(Notes) ? Notes[index] : "");
    if (note != WatchAlarmNote::Above && note != WatchAlarmNote::Below)
        return std::strlen(text);
    char number[WatchNoteLongest + 1];
    SettingText(number, sizeof number) << limit;
    const char* point = std::strchr(number, '.');
    if (point) {
        char whole[WatchNoteLongest + 1] = {};
        std::memcpy(whole, number, static_cast<std::size_t>(point - number));
        built << whole << (decimal && *decimal ? decimal : ".") << point + 1;
    } else {
        built << number;
    }
    return std::strlen(text);
}

bool WatchRowsAdd(WatchRows& rows, const WatchRowsEntry& given)
{
    WatchRowsEntry entry = given;
    entry.replyLength = entry.reply ? (entry.replyLength < WatchRowReplyLongest ? entry.replyLength : WatchRowReplyLongest) : 0;
    if (entry.count == 0)
        return true;
    if (Lengthen(rows, entry))
        return true;
    const std::size_t size = FixedPart + entry.replyLength;
    if (!rows.last || sizeof rows.last->bytes - rows.last->used < size) {
        auto* block = static_cast<WatchRowsBlock*>(std::malloc(sizeof(WatchRowsBlock)));
        if (!block)
            return false;
        block->next = nullptr;
        block->start = block->used = block->lastEntry = 0;
        (rows.last ? rows.last->next : rows.first) = block;
        rows.last = block;
        rows.bytes += sizeof(WatchRowsBlock);
    }
    Store(rows.last->bytes + rows.last->used, entry);
    rows.last->lastEntry = rows.last->used;
    rows.last->used += size;
    rows.rows += entry.count;
    return true;
}

bool WatchRowsAddSlot(WatchRows& rows, WatchTimeline& timeline, std::uint32_t intervalSeconds,
                      const WatchSlotRows& slot, std::int64_t& utc)
{
    bool added = true;
    if (slot.missed > 0) {
        const std::uint64_t interval = std::uint64_t{intervalSeconds} * 1000;
        const std::uint64_t first = slot.slot - slot.missed * interval;
        const std::uint32_t count = slot.missed < UINT32_MAX ? static_cast<std::uint32_t>(slot.missed) : UINT32_MAX;
        added = WatchRowsAdd(rows, {WatchRowsTime(timeline, first, count, intervalSeconds), count, intervalSeconds,
                                    slot.missedGap, nullptr, 0, WatchAlarmNote::None, 0});
    }
    utc = WatchRowsTime(timeline, slot.slot, 1, intervalSeconds);
    return WatchRowsAdd(rows, {utc, 1, intervalSeconds, slot.gap, slot.reply, slot.replyLength, slot.alarm,
                               slot.alarmLimit}) &&
           added;
}

void WatchRowsMove(WatchRows& from, WatchRows& to)
{
    if (!from.first)
        return;
    (to.last ? to.last->next : to.first) = from.first;
    to.last = from.last;
    to.rows += from.rows;
    to.bytes += from.bytes;
    from = WatchRows{};
}

bool WatchRowsNext(const WatchRows& rows, WatchRowsCursor& at, WatchRowsEntry& entry)
{
    if (!at.block) {
        at.block = rows.first;
        at.offset = at.block ? at.block->start : 0;
    }
    while (at.block && at.offset >= at.block->used) {
        at.block = at.block->next;
        at.offset = at.block ? at.block->start : 0;
    }
    if (!at.block)
        return false;
    entry = Load(at.block->bytes + at.offset);
    at.offset += FixedPart + entry.replyLength;
    return true;
}

void WatchRowsDrop(WatchRows& rows, const WatchRowsCursor& at)
{
    WatchRowsCursor walk{};
    WatchRowsEntry entry{};
    // Count what goes, then free the blocks wholly before the cursor.
    while ((walk.block != at.block || walk.offset != at.offset) && WatchRowsNext(rows, walk, entry))
        rows.rows -= entry.count;
    while (rows.first && rows.first != at.block) {
        WatchRowsBlock* next = rows.first->next;
        std::free(rows.first);
        rows.bytes -= sizeof(WatchRowsBlock);
        rows.first = next;
    }
    if (!rows.first) {
        rows = WatchRows{};
        return;
    }
    rows.first->start = at.offset;
}

void WatchRowsClear(WatchRows& rows)
{
    while (rows.first) {
        WatchRowsBlock* next = rows.first->next;
        std::free(rows.first);
        rows.first = next;
    }
    rows = WatchRows{};
}
