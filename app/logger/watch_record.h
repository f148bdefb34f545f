#pragma once
// The texts of a watch's record file: the number taken from each reply, the
// rows, the header and the file's name. All are Windows-1251 text, built in
// the temporary buffer as producers (base/strings.h): each writes at a
// position and leaves TempLength at the end of its text. The program turns a
// row into the file's UTF-8 with the saved log's encoder
// (app/logger/log_file_format.h).

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

// The number as a spreadsheet reads it: '-' when negative, the integer digits
// ("0" for none), then the decimal separator and the fraction digits when
// there are any. Nothing for a reply that held no number.
void ReplyNumberText(const ReplyNumber& number, const char* decimalSeparator, std::int32_t position);

// The user's separators as the system's locale settings give them, each used
// whole. Empty or null ones read as "," (list) and "." (decimal); a list
// separator that holds a quote or a line end would make the rows unreadable
// and reads as "," too.
struct WatchSeparators {
    const char* list;
    const char* decimal;
};

// A local time as the system's calendar gives it. Each field is written with
// a fixed number of digits (four for the year, two for the others); a value
// they cannot show is held to the nearest one they can.
struct WatchClock {
    std::int32_t year, month, day, hour, minute, second;
};

// One row of the record: the time ("YYYY-MM-DD HH:MM:SS"), the number taken
// from the reply and the reply itself without its trailing CR and LF, joined
// by the list separator and ended by CR LF. A field holding a quote, a line
// end or the separator's first character is put in quotes, its quotes
// doubled: testing for the whole separator alone would miss a field that ends
// with the start of a longer separator. False, with nothing written, when
// the buffer cannot grow to hold the row.
bool WatchRowText(const WatchClock& time, const char* reply, const WatchSeparators& separators,
                  std::int32_t position);

// The header row: "Время", "Температура", "Ответ", joined and ended as a row.
bool WatchHeaderText(const WatchSeparators& separators, std::int32_t position);

// The record file's name from the watch's start: korvane-watch-YYYYMMDD-HHMMSS.csv
// for the first try, with "-2", "-3" ... before ".csv" for the later tries
// when a file of that name exists. False, with nothing written, when the
// buffer cannot grow.
bool WatchFileName(const WatchClock& start, std::int32_t attempt, std::int32_t position);
