#pragma once
// One-line string statements over the temporary buffer, following the calling
// convention of base/strings.h step by step:
//
//     StoreText(DumpText, TextStart() + DumpText + TextOfChar(byte));
//     StoreText(PortSettings, TextStart() + PortName + ":9600,N,8,1");
//     StoreText(Entry, TextStart() + "COM" + TextOfNumber(n));
//
// TextStart() remembers TempLength (step 1); each + appends one operand at
// the current end (step 2): a char* (a variable or a literal; null reads as
// empty) through TempAppend, TextOfNumber/TextOfChar/TextOfMemory through
// their producers. StoreText ends the statement with StringStoreTemp (step 3).
//
// To pass a value as a text argument (step 4), wrap it in a TextArgument; the
// temporary lives until the end of the statement and rewinds the buffer then:
//
//     GadgetSetText(9, TextArgument(TextStart() + "COM" + TextOfNumber(n)).Text());
//
// Only one TextArgument per call: a second one could move the buffer under
// the first one's pointer.

#include "base/strings.h"

#include <cstdint>

struct TextExpression {
    std::int32_t start;
};

struct NumberOperand {
    std::int64_t value;
};

struct CharOperand {
    std::int32_t code;
};

struct MemoryOperand {
    const void* address;
};

inline TextExpression TextStart() { return TextExpression{TempLength}; }

inline NumberOperand TextOfNumber(std::int64_t value) { return NumberOperand{value}; }
inline CharOperand TextOfChar(std::int32_t code) { return CharOperand{code}; }
inline MemoryOperand TextOfMemory(const void* address) { return MemoryOperand{address}; }

inline TextExpression operator+(TextExpression expression, const char* text)
{
    TempAppend(text);
    return expression;
}

inline TextExpression operator+(TextExpression expression, NumberOperand operand)
{
    NumberToText(operand.value, TempLength);
    return expression;
}

inline TextExpression operator+(TextExpression expression, CharOperand operand)
{
    CharToText(operand.code, TempLength);
    return expression;
}

inline TextExpression operator+(TextExpression expression, MemoryOperand operand)
{
    TextFromMemory(operand.address, TempLength);
    return expression;
}

inline void StoreText(char*& variable, TextExpression expression) { StringStoreTemp(&variable, expression.start); }

class TextArgument {
public:
    explicit TextArgument(TextExpression expression) : start_(expression.start) { ++TempLength; }
    ~TextArgument() { TempLength = start_; }
    TextArgument(const TextArgument&) = delete;
    TextArgument& operator=(const TextArgument&) = delete;

    // Taken only now, after the last reservation of the expression.
    const char* Text() const { return TempBuffer + start_; }

private:
    std::int32_t start_;
};
