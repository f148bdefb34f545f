#include "app/logger/port_names.h"

#include <cstring>

namespace {

// More digits than a 32-bit count of ports could need.
constexpr std::int32_t PortNumberDigitsMaximum = 9;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::int32_t CompareIgnoringCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        const auto left = static_cast<unsigned char>(LowerAscii(*a));
        const auto right = static_cast<unsigned char>(LowerAscii(*b));
        if (left != right || left == 0)
            return static_cast<std::int32_t>(left) - static_cast<std::int32_t>(right);
    }
}

void CopyName(PortNameText& to, const char* from, std::size_t length)
{
    std::memcpy(to, from, length);
    to[length] = '\0';
}

} // namespace

std::int32_t PortNumber(const char* name)
{
    if (!name || LowerAscii(name[0]) != 'c' || LowerAscii(name[1]) != 'o' || LowerAscii(name[2]) != 'm')
        return 0;
    const char* digits = name + 3;
    if (digits[0] < '1' || digits[0] > '9')
        return 0;
    std::int32_t number = 0;
    std::int32_t count = 0;
    for (; *digits; ++digits, ++count) {
        if (*digits < '0' || *digits > '9' || count == PortNumberDigitsMaximum)
            return 0;
        number = number * 10 + (*digits - '0');
    }
    return number;
}

bool IsPortName(const char* name)
{
    if (!name || !*name)
        return false;
    std::int32_t length = 0;
    for (; *name; ++name, ++length) {
        const auto c = static_cast<unsigned char>(*name);
        if (length == PortNameMaximum || c <= ' ' || c >= 0x7F || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    return true;
}

std::int32_t ComparePortNames(const char* a, const char* b)
{
    const std::int32_t left = PortNumber(a);
    const std::int32_t right = PortNumber(b);
    if (left != 0 && right != 0)
        return left < right ? -1 : (left > right ? 1 : 0);
    if (left != 0 || right != 0)
        return left != 0 ? -1 : 1;
    return CompareIgnoringCase(a, b);
}

void PortListAdd(PortNameList& list, const char* name)
{
    if (!IsPortName(name) || list.count >= PortListMaximum)
        return;
    std::int32_t place = list.count;
    for (std::int32_t i = 0; i < list.count; ++i) {
        const std::int32_t order = ComparePortNames(name, list.names[i]);
        if (order == 0)
            return;
        if (order < 0) {
            place = i;
            break;
        }
    }
    std::memmove(list.names[place + 1], list.names[place],
                 sizeof(PortNameText) * static_cast<std::size_t>(list.count - place));
    CopyName(list.names[place], name, std::strlen(name));
    ++list.count;
}

void PortListReconcile(const PortNameList& shown, const PortNameList& wanted, const PortListEdits& edits)
{
    std::int32_t position = 0; // in the list as edited so far
    std::int32_t next = 0;     // the next entry of `shown` not yet passed
    for (std::int32_t i = 0; i < wanted.count; ++i) {
        // Shown entries that sort before the wanted one are not wanted.
        while (next < shown.count && ComparePortNames(shown.names[next], wanted.names[i]) < 0) {
            edits.remove(position);
            ++next;
        }
        if (next < shown.count && ComparePortNames(shown.names[next], wanted.names[i]) == 0)
            ++next;
        else
            edits.insert(position, wanted.names[i]);
        ++position;
    }
    for (; next < shown.count; ++next)
        edits.remove(position);
}
