#pragma once
// Strings: zero-terminated byte strings in the Windows-1251 code page.
//
// A string variable is a char* that is either null (read as the empty string
// everywhere) or owns a block of the StringHeap holding its characters and a
// terminator. Variables never share blocks: assignment copies. Text cannot
// contain a zero byte.
//
// Every string expression is built in one shared temporary buffer
// (TempBuffer, TempCapacity, TempLength). Positions in it are byte offsets,
// never pointers: any reservation may move the buffer, so a pointer into it is
// valid only until the next reservation. After each operation that produces
// text, the byte at TempLength is that text's terminator.
//
// One safety net: a routine cannot know that its text argument lies in the
// buffer (step 4 below), and may build temporary text of its own before it
// reads the argument. So a block the buffer outgrows is kept, unchanged and
// readable, until the buffer is next used from empty (TempLength 0), when no
// statement can still point into it. Writing through an old pointer is still
// wrong: the text lives on in the new block.
//
// THE CALLING CONVENTION FOR STRING EXPRESSIONS
//
//  1. start ← TempLength.
//  2. Build the value left to right: each variable or literal operand with
//     TempAppend(text); each operand that is a function result by calling its
//     producer (NumberToText, CharToText, TextFromMemory, a gadget's text
//     reader) with the current TempLength as its position.
//  3. To store the value: StringStoreTemp(&variable, start). This also rewinds
//     the buffer to start, so the statement leaves no trace.
//  4. To pass the value as a text argument instead: TempLength += 1 (so the
//     value's terminator is safe from whatever temporary text the called
//     routine builds); only now take the pointer TempBuffer + start; call the
//     routine; then set TempLength back to start.
//
// Example, PortSettings = PortName + ":9600,N,8,1":
//
//     std::int32_t start = TempLength;
//     TempAppend(PortName);
//     TempAppend(":9600,N,8,1");
//     StringStoreTemp(&PortSettings, start);
//
// base/text_expression.h wraps the same steps so that such a statement reads
// as one line. A comparison such as reply = "1" needs no buffer:
// StringEquals(ReplyText, "1").
//
// When the StringHeap cannot supply a block
//  - a reservation that cannot be satisfied (the heap refuses, or the buffer
//    would pass its 32-bit capacity) returns null and changes nothing; the
//    producers and TempAppend then leave their piece out, so the expression
//    stays terminated and every byte written lies inside the buffer;
//  - a variable whose new block cannot be allocated keeps its previous text.

#include <cstdint>

// The temporary buffer; TempCapacity is its nominal size, and its block always
// has TempCapacity + 5 bytes.
extern char* TempBuffer;
extern std::int32_t TempCapacity;
extern std::int32_t TempLength;

// Creates the StringHeap and the 16-byte temporary buffer. Runs once, right
// after the MainHeap exists and before anything builds text.
void StringServiceStart();

// Makes room for length bytes at position, sets TempLength to position +
// length and returns TempBuffer + position. Writes no terminator, but leaves
// at least 4 bytes after the reservation, so a terminator written one byte
// past it is safe. The buffer grows to the reserved end + 16384 whenever the
// end reaches TempCapacity - 4. Null (nothing changed) when the buffer cannot
// grow or an argument is negative: callers must check.
char* TempReserve(std::int32_t length, std::int32_t position);
// TempLength -= amount: gives back the part of a reservation the text did not
// need. The result is kept inside the buffer (0..TempCapacity + 1).
void TempShrink(std::int32_t amount);
// TempLength ← length and the byte there ← 0: an empty result at a position.
// The length is kept inside the buffer (0..TempCapacity + 1).
void TempSetLength(std::int32_t length);
// Appends the text at TempLength; null appends nothing but still writes the
// terminator at TempLength.
void TempAppend(const char* text);

// Moves the text built since start into the variable and rewinds the buffer
// to start; returns start.
std::int32_t StringStoreTemp(char** variable, std::int32_t start);
// The variable receives a copy of the text (which may be the variable's own
// text or a part of it); null releases the variable's block and sets it null.
void StringAssign(char** variable, const char* text);
// For a variable that holds no block yet: a non-null text is copied into a
// new block (the variable becomes null when the block cannot be allocated,
// never a stale pointer); null leaves the variable untouched.
void StringInit(char** variable, const char* text);
// Releases one block of the StringHeap; null is ignored.
void StringFree(char* text);
// 1 when the texts are byte-for-byte equal, else 0; null counts as empty.
std::int32_t StringEquals(const char* a, const char* b);

// Producers: each writes its text at position and leaves TempLength =
// position + the text's length, with the terminator at TempLength.

// Bytes a string block holds beyond its text (or the buffer's nominal
// capacity): the terminator's and four spare. A variable never touches the
// spare bytes; the buffer's length may stand at TempCapacity + 1 (a text
// argument steps past its terminator) with a terminator there, still inside
// the block.
constexpr std::int32_t StringBlockSlack = 5;

// Decimal text: no leading zeros, no plus sign, no grouping.
void NumberToText(std::int64_t value, std::int32_t position);
// The same decimal text written to a buffer of the caller's, without a
// terminator; returns its length, at most LongestDecimal.
constexpr std::int32_t LongestDecimal = 20; // "-9223372036854775808"
std::int32_t DecimalText(std::int64_t value, char* destination);
// One character, the low 8 bits of the code. Always occupies exactly one byte
// of the expression, even for code 0 (whose text then reads as empty).
void CharToText(std::int32_t code, std::int32_t position);
// The zero-terminated text at the address; null gives the empty text. The
// memory must hold a zero byte.
void TextFromMemory(const void* address, std::int32_t position);
