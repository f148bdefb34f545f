#include "app/logger/watch_writer.h"

#include <cstring>

namespace {

// Rows are flushed at least this often, so a long stretch of gap rows is
// not written again whole after a failure near its end.
constexpr std::uint64_t FlushBytes = 1024 * 1024;

struct Piece {
    char* bytes;
    std::size_t length;
};

// What has gone to the sink since the last flush.
struct Unflushed {
    std::uint64_t bytes;
    std::uint64_t readings;
    std::uint64_t gaps;
};

bool Send(const WatchSink& sink, Piece& piece, Unflushed& unflushed)
{
    if (piece.length > 0 && !sink.write(sink.context, piece.bytes, piece.length))
        return false;
    unflushed.bytes += piece.length;
    piece.length = 0;
    return true;
}

bool Flush(WatchWriter& writer, const WatchSink& sink, Unflushed& unflushed, const WatchRowsCursor& upTo)
{
    if (!sink.flush(sink.context))
        return false;
    writer.flushedBytes += unflushed.bytes;
    writer.readingsWritten += unflushed.readings;
    writer.gapsWritten += unflushed.gaps;
    unflushed = Unflushed{};
    WatchRowsDrop(writer.rows, upTo);
    return true;
}

// The entry's row `index` (0 for its first), at the piece's end.
void AddRow(const WatchWriter& writer, const WatchSink& sink, const WatchRowsEntry& entry, std::uint32_t index,
            Piece& piece)
{
    char reply[WatchRowReplyLongest + 1];
    std::memcpy(reply, entry.reply, entry.replyLength);
    reply[entry.replyLength] = 0;
    const std::int64_t utc = entry.utc + static_cast<std::int64_t>(index) * entry.interval;
    char alarm[WatchNoteLongest + 1];
    WatchAlarmNoteText(entry.alarm, entry.alarmLimit, writer.decimal, alarm);
    const bool reading = entry.gap == WatchGap::None;
    const WatchRow row{sink.localTime(utc), WatchClockFromSeconds(utc), reading ? reply : nullptr,
                       reading ? alarm : WatchGapNote(entry.gap)};
    piece.length += WatchRowText(row, WatchSeparators{writer.list, writer.decimal}, piece.bytes + piece.length);
}

bool Failed(WatchWriter& writer)
{
    writer.broken = true;
    return false;
}

} // namespace

bool WatchWriterBegin(WatchWriter& writer, const WatchSink& sink)
{
    static constexpr char ByteOrderMark[] = "\xef\xbb\xbf";
    char header[WatchRowLongest + 3];
    std::memcpy(header, ByteOrderMark, 3);
    const std::size_t length = 3 + WatchHeaderText(WatchSeparators{writer.list, writer.decimal}, header + 3);
    if (!sink.write(sink.context, header, length) || !sink.flush(sink.context))
        return Failed(writer);
    writer.flushedBytes = length;
    return true;
}

bool WatchWriterRun(WatchWriter& writer, const WatchSink& sink)
{
    if (writer.broken) {
        if (!sink.recover(sink.context, writer.flushedBytes))
            return false;
        writer.broken = false;
    }
    Piece piece{writer.piece, 0};
    Unflushed unflushed{};
    WatchRowsEntry entry{};
    for (WatchRowsCursor next{}; WatchRowsNext(writer.rows, next, entry);) {
        for (std::uint32_t i = 0; i < entry.count; ++i) {
            if (WatchWriterPiece - piece.length < WatchRowLongest && !Send(sink, piece, unflushed))
                return Failed(writer);
            AddRow(writer, sink, entry, i, piece);
        }
        (entry.gap == WatchGap::None ? unflushed.readings : unflushed.gaps) += entry.count;
        if (unflushed.bytes + piece.length >= FlushBytes &&
            !(Send(sink, piece, unflushed) && Flush(writer, sink, unflushed, next)))
            return Failed(writer);
    }
    if (!Send(sink, piece, unflushed))
        return Failed(writer);
    // No rows, or none since the last flush, leave nothing to flush.
    if (unflushed.bytes == 0 && unflushed.readings == 0 && unflushed.gaps == 0)
        return true;
    WatchRowsCursor end{};
    return Flush(writer, sink, unflushed, end) || Failed(writer);
}
