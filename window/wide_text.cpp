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
    if (length <= 0)
        return;
    auto* wide = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, length * sizeof(wchar_t)));
    if (!wide)
        return;
    if (WideFromText(text, wide, length) != length) {
        HeapFree(GetProcessHeap(), 0, wide);
        return;
    }
    text_ = wide;
    length_ = length - 1;
}

WideText::~WideText()
{
    if (text_)
        HeapFree(GetProcessHeap(), 0, text_);
}
