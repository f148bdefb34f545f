#include "window/wide_text.h"

namespace {

constexpr UINT TextCodePage = 1251;

} // namespace

int WideFromText(const char* text, wchar_t* wide, int capacity)
{
    return MultiByteToWideChar(TextCodePage, 0, text ? text : "", -1, capacity > 0 ? wide : nullptr, capacity);
}
