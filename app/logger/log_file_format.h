#pragma once
// The saved log's bytes: the log's text, as the control holds it in UTF-16,
// written as UTF-8 after a byte-order mark (which spreadsheet programs and
// text editors read as "this is UTF-8"), with every line ended by CR LF.

#include <cstddef>

// Writes the file's bytes to out and returns their count; with out null it
// only counts them, so the caller can size the block first. A line end in the
// text (CR LF, a lone CR or a lone LF) becomes one CR LF: no line is added or
// lost. A UTF-16 unit that is half of no pair becomes U+FFFD, since UTF-8
// cannot carry it.
std::size_t EncodeLogFile(const char16_t* text, std::size_t length, unsigned char* out);

// The same bytes without the byte-order mark: what a file begun by
// EncodeLogFile gets for each piece of text appended to it later, such as a
// watch's rows after its header.
std::size_t EncodeLogText(const char16_t* text, std::size_t length, unsigned char* out);

// The character a byte of code page 1251 stands for; the one byte the code
// page leaves undefined (0x98) stands for U+0098, as the system reads it.
char16_t CharacterFrom1251(unsigned char byte);

// Code-page-1251 bytes as UTF-8, unterminated, each byte one character
// (three bytes at most). Writes to out and returns the count; with out null
// it only counts.
std::size_t Utf8From1251(const char* text, std::size_t length, char* out);
