#include "window/wide_text.h"

namespace {

constexpr UINT TextCodePage = 1251;

} // namespace

int WideFromText(const char* text, wchar_t* wide, int capacity)
{
    return MultiByteToWideChar(TextCodePage, 0, text ? text : "", -1, capacity > 0 ? wide : nullptr, capacity);
}

WideText::WideText(const char* text)
{
    const int length = WideFromText(text, nullptr, 0);
    if (length > 0 && block_.Resize(static_cast<std::size_t>(length) * sizeof(wchar_t)) &&
        WideFromText(text, block_.As<wchar_t>(), length) == length)
        length_ = length;
}
