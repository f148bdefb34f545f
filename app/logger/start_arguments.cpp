#include "app/logger/start_arguments.h"

#include "app/logger/watch_schedule.h"

#include <cstring>

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameIgnoringCase(const char16_t* text, const char* ascii)
{
    for (; *text && *ascii; ++text, ++ascii)
        if (LowerAscii(*text) != static_cast<char16_t>(*ascii))
            return false;
    return *text == 0 && *ascii == 0;
}

std::size_t Length(const char16_t* text)
{
    std::size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

// The next argument at `at` into `argument` (an argument too long to hold is
// cut); false at the end of the line.
bool NextArgument(const char16_t*& at, char16_t (&argument)[StartArgumentLongest + 1])
{
    while (IsBlank(*at))
        ++at;
    if (!*at)
        return false;
    std::size_t length = 0;
    for (bool quoted = false; *at && (quoted || !IsBlank(*at)); ++at) {
        if (*at == u'"' && !(quoted && at[1] == u'"')) {
            quoted = !quoted;
            continue;
        }
        if (*at == u'"')
            ++at;
        if (length < StartArgumentLongest)
            argument[length++] = *at;
    }
    argument[length] = 0;
    return true;
}

// The program's own name, quoted when it holds blanks.
const char16_t* AfterProgramName(const char16_t* at)
{
    if (*at == u'"') {
        while (*++at && *at != u'"') {
        }
        return *at ? at + 1 : at;
    }
    while (*at && !IsBlank(*at))
        ++at;
    return at;
}

// A port name in printable ASCII, "COM" upper case for a COMn port.
bool ReadPort(const char16_t* argument, PortNameText& port)
{
    PortNameText name;
    std::size_t length = 0;
    for (; argument[length]; ++length) {
        if (length == static_cast<std::size_t>(PortNameMaximum) || argument[length] > 0x7E)
            return false;
        name[length] = static_cast<char>(argument[length]);
    }
    name[length] = 0;
    if (!IsPortName(name))
        return false;
    if (PortNumber(name) != 0)
        std::memcpy(name, "COM", 3);
    std::memcpy(port, name, length + 1);
    return true;
}

bool EndsWithCsv(const char16_t* argument)
{
    const std::size_t length = Length(argument);
    return length > 4 && SameIgnoringCase(argument + length - 4, ".csv");
}

// The length a --watch names: only the list's, in plain digits.
std::uint32_t ReadSeconds(const char16_t* argument)
{
    std::uint32_t seconds = 0;
    for (const char16_t* at = argument; *at; ++at) {
        if (*at < u'0' || *at > u'9' || seconds > 100000)
            return 0;
        seconds = seconds * 10 + static_cast<std::uint32_t>(*at - u'0');
    }
    return WatchIntervals[WatchIntervalIndex(seconds)].seconds == seconds ? seconds : 0;
}

void Copy(char16_t (&to)[StartArgumentLongest + 1], const char16_t* from)
{
    std::memcpy(to, from, (Length(from) + 1) * sizeof(char16_t));
}

} // namespace

void ReadStartArguments(const char16_t* commandLine, StartArguments& arguments)
{
    arguments = StartArguments{};
    if (!commandLine)
        return;
    bool ports = false;
    const char16_t* at = AfterProgramName(commandLine);
    char16_t argument[StartArgumentLongest + 1];
    while (NextArgument(at, argument)) {
        PortNameText port;
        if (SameIgnoringCase(argument, "--watch")) {
            const bool given = NextArgument(at, argument);
            arguments.watchSeconds = given ? ReadSeconds(argument) : 0;
            arguments.watchRefused = arguments.watchSeconds == 0;
        } else if (SameIgnoringCase(argument, "--publish")) {
            if (NextArgument(at, argument))
                Copy(arguments.publish, argument);
            else
                ++arguments.unplaced;
        } else if (EndsWithCsv(argument)) {
            if (arguments.file[0])
                ++arguments.unplaced;
            else
                Copy(arguments.file, argument);
        } else if (ReadPort(argument, port) && !ports) {
            std::memcpy(arguments.port, port, sizeof port);
            ports = true;
        } else {
            if (ports && ReadPort(argument, port))
                arguments.port[0] = 0;
            ++arguments.unplaced;
        }
    }
}
