#include "app/logger/log_file_format.h"

#include <cstdint>

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends bytes to out (when there is one) and counts them either way.
class ByteSink {
public:
    explicit ByteSink(unsigned char* out) : out_(out) {}

    void Put(std::uint32_t byte)
    {
        if (out_)
            out_[count_] = static_cast<unsigned char>(byte);
        ++count_;
    }

    void PutCodePoint(char32_t c)
    {
        if (c < 0x80) {
            Put(c);
        } else if (c < 0x800) {
            Put(0xC0 | (c >> 6));
            Put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            Put(0xE0 | (c >> 12));
            Put(0x80 | ((c >> 6) & 0x3F));
            Put(0x80 | (c & 0x3F));
        } else {
            Put(0xF0 | (c >> 18));
            Put(0x80 | ((c >> 12) & 0x3F));
            Put(0x80 | ((c >> 6) & 0x3F));
            Put(0x80 | (c & 0x3F));
        }
    }

    std::size_t count() const { return count_; }

private:
    unsigned char* out_;
    std::size_t count_ = 0;
};

void EncodeText(ByteSink& sink, const char16_t* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (unit == u'\r' || unit == u'\n') {
            if (unit == u'\r' && i + 1 < length && text[i + 1] == u'\n')
                ++i;
            sink.Put('\r');
            sink.Put('\n');
        } else if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
            sink.PutCodePoint(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            sink.PutCodePoint(ReplacementCharacter);
        } else {
            sink.PutCodePoint(unit);
        }
    }
}

// Code page 1251 from 0x80 to 0xBF; from 0xC0 on it is U+0410 onwards.
constexpr char16_t Upper1251[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

} // namespace

char16_t CharacterFrom1251(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte < 0xC0)
        return Upper1251[byte - 0x80];
    return static_cast<char16_t>(0x0410 + (byte - 0xC0));
}

std::size_t Utf8From1251(const char* text, std::size_t length, char* out)
{
    ByteSink sink(reinterpret_cast<unsigned char*>(out));
    for (std::size_t i = 0; i < length; ++i)
        sink.PutCodePoint(CharacterFrom1251(static_cast<unsigned char>(text[i])));
    return sink.count();
}

std::size_t EncodeLogFile(const char16_t* text, std::size_t length, unsigned char* out)
{
    ByteSink sink(out);
    sink.PutCodePoint(0xFEFF);
    EncodeText(sink, text, length);
    return sink.count();
}

std::size_t EncodeLogText(const char16_t* text, std::size_t length, unsigned char* out)
{
    ByteSink sink(out);
    EncodeText(sink, text, length);
    return sink.count();
}
