#include "base/strings.h"

#include <cstdint>

namespace {

// Values that fit in 32 bits reserve 32 bytes, the others 64; both give back
// what the text did not use, so the output is never measured twice.
constexpr std::int32_t Reserve32 = 32;
constexpr std::int32_t Reserve64 = 64;

void WriteDecimal(std::int64_t value, std::int32_t reserve, std::int32_t position)
{
    char* destination = TempReserve(reserve, position);
    if (!destination) {
        TempSetLength(TempLength);
        return;
    }
    const std::int32_t written = DecimalText(value, destination);
    TempShrink(reserve - written);
    destination[written] = 0;
}

} // namespace

std::int32_t DecimalText(std::int64_t value, char* destination)
{
    std::int32_t written = 0;
    // Unsigned negation keeps the magnitude of the most negative value exact.
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        destination[written++] = '-';
        magnitude = 0 - magnitude;
    }
    char scratch[32];
    std::int32_t count = 0;
    do {
        scratch[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count > 0)
        destination[written++] = scratch[--count];
    return written;
}

void NumberToText(std::int64_t value, std::int32_t position)
{
    const bool fits32 = value >= INT32_MIN && value <= INT32_MAX;
    WriteDecimal(value, fits32 ? Reserve32 : Reserve64, position);
}

void CharToText(std::int32_t code, std::int32_t position)
{
    char* destination = TempReserve(1, position);
    if (!destination) {
        TempSetLength(TempLength);
        return;
    }
    destination[0] = static_cast<char>(code & 0xFF);
    destination[1] = 0;
}
