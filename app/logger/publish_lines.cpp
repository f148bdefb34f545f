#include "app/logger/publish_lines.h"

#include "app/logger/typed_number.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char16_t Http[] = u"http://";
constexpr char16_t Https[] = u"https://";
constexpr char16_t Precision[] = u"precision=s";
constexpr char16_t Ping[] = u"/ping";

std::size_t Length(const char16_t* text)
{
    std::size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

bool StartsWithIgnoringCase(const char16_t* text, const char16_t* start)
{
    for (; *start; ++text, ++start) {
        const char16_t c = *text >= u'A' && *text <= u'Z' ? static_cast<char16_t>(*text - u'A' + u'a') : *text;
        if (c != *start)
            return false;
    }
    return true;
}

// The length of the scheme and "://", 0 for neither.
std::size_t SchemeLength(const char16_t* address)
{
    if (StartsWithIgnoringCase(address, Http))
        return Length(Http);
    if (StartsWithIgnoringCase(address, Https))
        return Length(Https);
    return 0;
}

// Appends within `room`, one kept back for the end; false once it is short.
struct Wide {
    char16_t* out;
    std::size_t room;
    std::size_t length = 0;
    bool Put(const char16_t* from, std::size_t count)
    {
        if (length + count + 1 > room)
            return false;
        std::memcpy(out + length, from, count * sizeof(char16_t));
        length += count;
        out[length] = u'\0';
        return true;
    }
};

struct Narrow {
    char* out;
    std::size_t room;
    std::size_t length = 0;
    bool fits = true;
    void Put(char c)
    {
        if (length + 1 < room)
            out[length++] = c;
        else
            fits = false;
    }
    void Put(const char* text)
    {
        while (*text)
            Put(*text++);
    }
    // A tag's value: commas, spaces and '=' would end it, and a backslash
    // would escape what follows.
    void PutTag(const char* text)
    {
        for (; *text; ++text) {
            if (*text == ',' || *text == ' ' || *text == '=' || *text == '\\')
                Put('\\');
            Put(*text);
        }
    }
    void PutCount(std::int64_t count)
    {
        if (count < 0) {
            Put('-');
            count = -count;
        }
        char digits[20];
        int n = 0;
        do
            digits[n++] = static_cast<char>('0' + count % 10);
        while ((count /= 10) > 0);
        while (n > 0)
            Put(digits[--n]);
    }
};

} // namespace

bool PublishNameAllowed(const char* name)
{
    const std::size_t length = std::strlen(name);
    if (length == 0 || length > PublishNameLongest)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(name[i]) < 0x20 || name[i] == 0x7f)
            return false;
    return true;
}

std::size_t PublishLine(const PublishPoint& point, const char* logger, const char* port, char* out,
                        std::size_t room)
{
    if (!std::isfinite(point.value) || room == 0)
        return 0;
    Narrow line{out, room};
    line.Put(point.dump ? "temperature_dump,logger=" : "temperature,logger=");
    line.PutTag(logger);
    line.Put(",port=");
    line.PutTag(port);
    char value[32];
    SettingText(value, sizeof value) << point.value;
    line.Put(" value=");
    line.Put(value);
    line.Put(point.alarm ? ",alarm=true " : ",alarm=false ");
    line.PutCount(point.unixSeconds);
    line.Put('\n');
    if (!line.fits)
        return 0;
    out[line.length] = '\0';
    return line.length;
}

bool PublishWriteAddress(const char16_t* address, char16_t* out, std::size_t room)
{
    const std::size_t length = Length(address);
    std::size_t fragment = 0;
    while (fragment < length && address[fragment] != u'#')
        ++fragment;
    std::size_t query = 0;
    while (query < fragment && address[query] != u'?')
        ++query;
    Wide text{out, room};
    if (!text.Put(address, fragment))
        return false;
    const bool hasQuery = query < fragment;
    const bool queryEnds = fragment > 0 && (address[fragment - 1] == u'?' || address[fragment - 1] == u'&');
    if (!queryEnds && !text.Put(hasQuery ? u"&" : u"?", 1))
        return false;
    return text.Put(Precision, Length(Precision)) && text.Put(address + fragment, length - fragment);
}

bool PublishPingAddress(const char16_t* address, char16_t* out, std::size_t room)
{
    const std::size_t scheme = SchemeLength(address);
    std::size_t end = scheme;
    while (address[end] && address[end] != u'/' && address[end] != u'?' && address[end] != u'#')
        ++end;
    Wide text{out, room};
    return text.Put(address, end) && text.Put(Ping, Length(Ping));
}

bool PublishAddressAllowed(const char16_t* address)
{
    const std::size_t scheme = SchemeLength(address);
    if (scheme == 0)
        return false;
    const char16_t first = address[scheme];
    if (first == u'\0' || first == u'/' || first == u':' || first == u'?' || first == u'#')
        return false;
    for (const char16_t* c = address; *c; ++c)
        if (*c <= u' ' || *c == 0x7f)
            return false;
    return true;
}
