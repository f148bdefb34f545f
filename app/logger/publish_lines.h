#pragma once
// Readings as the line protocol that time-series databases take over HTTP:
// one line a reading, "temperature,logger=NAME,port=COM3 value=21.5,alarm=false
// 1796899093", its time in whole seconds. The texts are UTF-8; numbers are
// written with '.' whatever the user's locale.

#include <cstddef>
#include <cstdint>

// Seconds between 1601, where the program's UTC times count from, and 1970.
inline constexpr std::int64_t UnixEpochIn1601Seconds = 11'644'473'600;

struct PublishPoint {
    std::int64_t unixSeconds;
    double value;
    bool alarm;
    bool dump; // a reading of the logger's memory: measurement temperature_dump
    std::uint8_t port; // its index in the caller's table of port names
};

// A logger's name as a tag can carry it: not empty, no line break, no
// control character, at most PublishNameLongest bytes.
inline constexpr std::size_t PublishNameLongest = 64;
bool PublishNameAllowed(const char* name);

// The longest line: both tags escaped at their longest and the fields.
inline constexpr std::size_t PublishLineLongest = 2 * (2 * PublishNameLongest) + 96;

// Writes one point's line, '\n' included, into `out`; returns its length, or
// 0 (nothing written) when `room` is too small or the value is not finite.
std::size_t PublishLine(const PublishPoint& point, const char* logger, const char* port, char* out,
                        std::size_t room);

// The address a write goes to: the user's with "precision=s" added to its
// query, after '&' or '?'; a fragment stays last. False when it does not fit.
bool PublishWriteAddress(const char16_t* address, char16_t* out, std::size_t room);
// "/ping" on the address' scheme, host and port, for the check the user asks
// for. False when it does not fit.
bool PublishPingAddress(const char16_t* address, char16_t* out, std::size_t room);
// An address the program can send to: http:// or https://, then a host.
bool PublishAddressAllowed(const char16_t* address);
