#pragma once
// The program's texts are byte strings in code page 1251; what the user
// reads is shown as wide text converted from them, so it reads right
// whatever the machine's own code page.

#include "window/process_heap.h"

#include <windows.h>

// Converts text (null reads as empty) into wide, terminated, and returns the
// characters written with the terminator; 0 when it does not fit. With a
// capacity of 0 it only returns the characters the whole text needs.
int WideFromText(const char* text, wchar_t* wide, int capacity);

// Converts length wide characters into code page 1251, unterminated, and
// returns the bytes written; characters the code page lacks become "?". With a
// capacity of 0 it only returns the bytes the text needs.
int TextFromWide(const wchar_t* wide, int length, char* text, int capacity);

// Sets a window's text from a code-page-1251 text as its characters; the
// window must be a wide one to keep those the system's code page lacks.
BOOL SetWindowTextFromText(HWND window, const char* text);
// AppendMenuW with an item's text from code page 1251; FALSE, and nothing
// appended, when memory for its characters ran out.
BOOL AppendMenuFromText(HMENU menu, UINT flags, UINT_PTR item, const char* text);

// Text converted to wide in a block of the process heap, freed with its
// owner; null reads as the empty text. Every byte of the code page has a
// character, so text() is null only when memory ran out.
class WideText {
public:
    explicit WideText(const char* text);

    const wchar_t* text() const { return length_ ? block_.As<wchar_t>() : nullptr; }
    // Characters, without the terminator; 0 without a text.
    int length() const { return length_ ? length_ - 1 : 0; }

private:
    ProcessHeapBlock block_;
    int length_ = 0; // with the terminator; 0 without a text
};
