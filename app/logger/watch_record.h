#pragma once
// The texts of the record files: a watch's, with the number taken from each
// reply, its rows, header and name, and what a resume reads back from one;
// and a dump's table, with the number taken from each of its lines. Rows are built as the file's UTF-8 in a caller's buffer, with no
// memory of their own, so the thread that writes the file can build them.

#include <cstddef>
#include <cstdint>

// The first decimal number in a reply, as pointers into the reply's text
// (valid while that text is).
// It is a run of digits, then '.' or ',' and a run of digits when one
// follows; or, with no digit before it, a separator followed by digits
// (".5" is 0.5). A separator with no digit after it ends the number ("12."
// is 12), and only the first separator counts ("1.2.3" is 1.2). A '-' right
// before the number makes it negative ("--3" is -3); a '+' there, or a '-'
// with anything between it and the digits, is not part of it. Bytes of
// Cyrillic letters, line ends and any other bytes around the number are not
// part of it.
struct ReplyNumber {
    bool found;
    bool negative;
    const char* integer; // its integer digits, leading zeros skipped
    std::size_t integerLength;
    const char* fraction; // its fraction digits, as written
    std::size_t fractionLength;
    double value; // the number itself, infinite when a long run of digits overflows
};

// The number in the reply (null reads as empty); found is false when the
// reply holds none.
ReplyNumber FindReplyNumber(const char* reply);

// The last decimal number on a line of a dump: a stored line leads with its
// index or its time ("0001 +20.5", "12:30 20.5"), where a reply is one value.
// Numbers are read as in a reply, with two differences: a '-' right after a
// digit joins a date or a range and is no sign ("2024-01-05" holds no
// negative number), and digits and separators that run on after a number
// ("1.2.3") belong to it rather than start the next one.
ReplyNumber FindLineNumber(const char* line, std::size_t length);

// Room enough for any text the functions below write.
inline constexpr std::size_t WatchRowLongest = 4096;
// A row keeps at most this much of a reply (1251 bytes), of a separator and
// of a note (UTF-8 bytes, cut at a whole character).
inline constexpr std::size_t WatchRowReplyLongest = 255;
inline constexpr std::size_t WatchSeparatorLongest = 31;
inline constexpr std::size_t WatchNoteLongest = 127;

// The number as a spreadsheet reads it: '-' when negative, the integer digits
// ("0" for none), then the decimal separator and the fraction digits when
// there are any (at most WatchRowReplyLongest digits of each). Nothing for a
// reply that held no number. Returns the length written to out, unterminated.
std::size_t ReplyNumberText(const ReplyNumber& number, const char* decimalSeparator, char* out);

// The user's separators as UTF-8. Empty or null ones read as "," (list) and
// "." (decimal); a list separator that holds a quote or a line end would make
// the rows unreadable and reads as "," too.
struct WatchSeparators {
    const char* list;
    const char* decimal;
};

// A time as a calendar shows it. Each field is written with a fixed number
// of digits (four for the year, two for the others); a value they cannot
// show is held to the nearest one they can.
struct WatchClock {
    std::int32_t year, month, day, hour, minute, second;
};

// Seconds since 1601-01-01 00:00 (the system's file times) as a calendar
// date and time in the same zone, and back; from 1601 to 30827.
WatchClock WatchClockFromSeconds(std::int64_t seconds);
std::int64_t WatchSecondsFromClock(const WatchClock& clock);

// One row: the slot's local time, its UTC time, and the reply for a reading
// (1251 text as the logger sent it) or null for a slot without one, and a
// note.
struct WatchRow {
    WatchClock local;
    WatchClock utc;
    const char* reply;
    const char* note;
};

// The row as the file's UTF-8: "Время" (YYYY-MM-DD HH:MM:SS), the number
// taken from the reply, the reply without its trailing CR and LF, "Время
// UTC" and the note, joined by the list separator and ended by CR LF. A field
// holding a quote, a line end or the separator's first byte is put in quotes,
// its quotes doubled: testing for the whole separator alone would miss a
// field that ends with the start of a longer separator. Writes at most
// WatchRowLongest bytes to out, unterminated, and returns their count.
std::size_t WatchRowText(const WatchRow& row, const WatchSeparators& separators, char* out);

// The header row: "Время", "Температура", "Ответ", "Время UTC",
// "Примечание", joined and ended as a row.
std::size_t WatchHeaderText(const WatchSeparators& separators, char* out);

// The record file's name from the watch's start: korvane-watch-YYYYMMDD-HHMMSS.csv
// for the first try, with "-2", "-3" ... before ".csv" for the later tries,
// terminated; returns its length.
std::size_t WatchFileName(const WatchClock& start, std::int32_t attempt, char (&name)[64]);

// A dump's files: korvane-dump-YYYYMMDD-HHMMSS and the extension given
// (".txt", ".csv"), with the attempts as above.
std::size_t DumpFileName(const WatchClock& start, std::int32_t attempt, const char* extension, char (&name)[64]);

// A row of a dump's table: the reading's place in the dump (from 1), its
// estimated local and UTC times when `timed`, its number and the line it
// was read from (1251 bytes as the logger sent them).
struct DumpRow {
    std::uint64_t number;
    bool timed;
    WatchClock local;
    WatchClock utc;
    ReplyNumber value;
    const char* line;
    std::size_t lineLength;
};

// The row as the file's UTF-8: "№", "Время (оценка)", "Температура",
// "Строка" (at most WatchRowReplyLongest bytes of the line, without its line
// end) and "Время UTC (оценка)", the times empty when not timed, joined and
// quoted as a watch's rows are. At most WatchRowLongest bytes.
std::size_t DumpRowText(const DumpRow& row, const WatchSeparators& separators, char* out);
// Its header, which tells a dump's table from a watch's record.
std::size_t DumpHeaderText(const WatchSeparators& separators, char* out);

// The list separator of a record file's header, read from the file's first
// bytes (its byte-order mark, "Время", the separator, "Температура"). False
// when they are no such header.
bool WatchFileListSeparator(const char* bytes, std::size_t length, char (&list)[WatchSeparatorLongest + 1]);

// What a record file's header says it is: a watch's record, one of the
// first versions' (its first three columns only) or a dump's table.
enum class RecordHeader : std::uint8_t { None, Watch, WatchThreeColumns, Dump };
struct RecordHeaderFound {
    RecordHeader kind;  // None: the bytes begin with no such header
    std::size_t length; // the header's bytes, its byte-order mark and row end included
    char list[WatchSeparatorLongest + 1];
};
// From a file's first bytes, its header whole among them.
RecordHeaderFound ReadRecordHeader(const char* bytes, std::size_t length);

// A "YYYY-MM-DD HH:MM:SS" time of the record's own, nothing more or less;
// false for any other text or a field out of its range.
bool WatchReadClock(const char* text, std::size_t length, WatchClock& clock);

// What a resume needs of a record file's last bytes: how many of them end at
// its last whole row (a row cut short by a power cut goes), and that row's
// UTC time as seconds since 1601 when the row has one.
struct WatchFileTail {
    std::size_t wholeLength;
    bool timed;
    std::int64_t lastUtc;
};
WatchFileTail WatchReadTail(const char* bytes, std::size_t length, const char* list);
