#include "gadget/gadget.h"
#include "gadget/gadget_create.h"

#include "base/strings.h"
#include "window/process_heap.h"
#include "window/wide_text.h"

#include <cstring>

char* GadgetEmptyText(std::int32_t resultPosition)
{
    TempSetLength(resultPosition);
    return TempBuffer + TempLength;
}

char* GadgetTextFromWide(const wchar_t* wide, int length, std::int32_t resultPosition)
{
    const int bytes = TextFromWide(wide, length, nullptr, 0);
    char* buffer = bytes > 0 ? TempReserve(bytes, resultPosition) : nullptr;
    if (!buffer)
        return GadgetEmptyText(resultPosition);
    const int written = TextFromWide(wide, length, buffer, bytes);
    // The buffer keeps room past every reservation for a terminator.
    buffer[written] = '\0';
    TempShrink(bytes - static_cast<std::int32_t>(std::strlen(buffer)));
    return buffer;
}

// Read as wide text: the system's code page would lose the characters it
// lacks.
char* GadgetReadWindowText(HWND hwnd, std::int32_t resultPosition)
{
    const int length = GetWindowTextLengthW(hwnd);
    ProcessHeapBlock wide((static_cast<std::size_t>(length) + 1) * sizeof(wchar_t));
    if (length <= 0 || !wide.As<wchar_t>())
        return GadgetEmptyText(resultPosition);
    const int read = GetWindowTextW(hwnd, wide.As<wchar_t>(), length + 1);
    return GadgetTextFromWide(wide.As<wchar_t>(), read, resultPosition);
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
