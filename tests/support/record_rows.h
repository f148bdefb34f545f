#pragma once
// A watch's record file as the tests read it back: its rows after the header,
// split at the list separator (the tests' replies and notes hold none, so no
// field is quoted), and whether the UTC column is one slot a row.

#include <cstdio>
#include <string>
#include <vector>

struct RecordRow {
    std::string local, number, reply, utc, note;
    long long seconds; // the UTC column in seconds, for the steps between rows
};

// Seconds since 1970 of a "YYYY-MM-DD HH:MM:SS" time; 0 when it is none.
inline long long RecordSeconds(const std::string& time)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(time.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6)
        return 0;
    // Days from the civil date, in eras of 400 years from March.
    const long long y = month <= 2 ? year - 1 : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long days = era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

// The rows of the file's bytes; a line without its five fields, or without
// its line end, is the last one read, and `whole` says whether every line
// was a row.
inline std::vector<RecordRow> RecordRows(const std::string& bytes, const std::string& separator,
                                         bool* whole = nullptr)
{
    std::vector<RecordRow> rows;
    bool complete = true;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos && at + 2 < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", at + 2);
        const std::string line = bytes.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
        std::vector<std::string> fields;
        for (std::size_t from = 0;;) {
            const std::size_t next = line.find(separator, from);
            fields.push_back(line.substr(from, next == std::string::npos ? std::string::npos : next - from));
            if (next == std::string::npos)
                break;
            from = next + separator.size();
        }
        if (fields.size() != 5 || end == std::string::npos) {
            complete = false;
            break;
        }
        rows.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], RecordSeconds(fields[3])});
        at = end;
    }
    if (whole)
        *whole = complete;
    return rows;
}

// The first row that is not one second after the one before it: rows.size()
// when every slot has its row and none is there twice.
inline std::size_t FirstBreakInGrid(const std::vector<RecordRow>& rows)
{
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i].seconds != rows[i - 1].seconds + 1)
            return i;
    return rows.size();
}
