#include "window/wide_text.h"

namespace {

constexpr UINT TextCodePage = 1251;

} // namespace

int WideFromText(const char* text, wchar_t* wide, int capacity)
{
    return MultiByteToWideChar(TextCodePage, 0, text ? text : "", -1, capacity > 0 ? wide : nullptr, capacity);
}

int TextFromWide(const wchar_t* wide, int length, char* text, int capacity)
{
    if (!wide || length <= 0)
        return 0;
    return WideCharToMultiByte(TextCodePage, 0, wide, length, capacity > 0 ? text : nullptr, capacity, nullptr,
                               nullptr);
}

BOOL SetWindowTextFromText(HWND window, const char* text)
{
    const WideText wide(text);
    // Without memory for the characters the bytes still go in as they are.
    if (!wide.text())
        return SetWindowTextA(window, text ? text : "");
    return SetWindowTextW(window, wide.text());
}

BOOL AppendMenuFromText(HMENU menu, UINT flags, UINT_PTR item, const char* text)
{
    const WideText wide(text);
    return wide.text() && AppendMenuW(menu, flags, item, wide.text());
}

WideText::WideText(const char* text)
{
    const int length = WideFromText(text, nullptr, 0);
    if (length > 0 && block_.Resize(static_cast<std::size_t>(length) * sizeof(wchar_t)) &&
        WideFromText(text, block_.As<wchar_t>(), length) == length)
        length_ = length;
}
