#include "gadget/gadget.h"
#include "gadget/gadget_create.h"

#include "base/strings.h"

#include <cstring>

char* GadgetEmptyText(std::int32_t resultPosition)
{
    TempSetLength(resultPosition);
    return TempBuffer + TempLength;
}

char* GadgetReadWindowText(HWND hwnd, std::int32_t resultPosition)
{
    const int length = GetWindowTextLengthA(hwnd);
    char* buffer = TempReserve(length, resultPosition);
    if (!buffer)
        return GadgetEmptyText(resultPosition);
    buffer[0] = '\0';
    // The buffer keeps room past every reservation for the terminator that
    // GetWindowTextA writes after length bytes.
    GetWindowTextA(hwnd, buffer, length + 1);
    TempShrink(length - static_cast<std::int32_t>(std::strlen(buffer)));
    return buffer;
}

char* GadgetGetText(ObjectNumber number, std::int32_t resultPosition)
{
    GadgetRecord* record = GadgetLookup(number);
    if (!record)
        return GadgetEmptyText(resultPosition);
    if (record->ops->getText)
        return record->ops->getText(record, resultPosition);
    return GadgetReadWindowText(record->hwnd, resultPosition);
}
