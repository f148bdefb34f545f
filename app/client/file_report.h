#pragma once
// Telling the user that a file could not be written or read: what the
// program was doing, the file's name and the system's own words for the
// reason, or the line at fault. File names and the system's texts need not
// fit code page 1251, so the message is put together as wide text.

#include "window/wide_text.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Wide text gathered piece by piece in a caller's fixed buffer; what does not
// fit is left out, and the text stays terminated.
class WideBuilder {
public:
    WideBuilder(wchar_t* text, std::size_t capacity) : text_(text), capacity_(capacity) { text_[0] = L'\0'; }

    void Append(const wchar_t* piece)
    {
        for (; *piece && length_ + 1 < capacity_; ++piece)
            text_[length_++] = *piece;
        text_[length_] = L'\0';
    }

    void AppendFrom1251(const char* piece)
    {
        const int room = static_cast<int>(capacity_ - length_);
        const int written = WideFromText(piece, text_ + length_, room);
        if (written > 0)
            length_ += static_cast<std::size_t>(written) - 1;
        text_[length_] = L'\0';
    }

    // Keeps the terminator and starts the next piece after it: the Save
    // dialog's filter list is a row of such pieces.
    void EndPiece()
    {
        if (length_ + 2 < capacity_)
            text_[++length_] = L'\0';
    }

private:
    wchar_t* text_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

// The calling thread's last error, or the fallback when the call that failed
// set none.
DWORD LastErrorOr(DWORD fallback);

// A count in decimal digits.
void AppendCount(WideBuilder& text, std::uint64_t count);
// A number as a setting keeps it (app/logger/typed_number.h), with the
// user's decimal separator.
void AppendNumber(WideBuilder& text, double value);

// The system's own words for an error (its number when it has none).
void AppendSystemReason(WideBuilder& text, DWORD error);

// The error requester: the 1251 text, the file's name on the next line and
// the system's reason for the error below it.
void ReportFileFailure(const char* what, const wchar_t* file, DWORD error);
// The same, with the line of the file that is at fault ("Строка N") below.
void ReportFileLine(const char* what, const wchar_t* file, std::uint64_t line);
