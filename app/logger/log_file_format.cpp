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

} // namespace

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
