// String statements over the shared temporary buffer, each checked against a
// model in std::string: expressions built from every kind of operand (texts,
// null, numbers, characters including code 0, memory, raw reservations, cuts,
// texts long enough to grow the buffer), stored into variables or passed as a
// protected argument to a routine that builds text of its own; assignments,
// including a variable's own text; equality; and the buffer primitives given
// arguments out of range. After every statement the buffer is rewound and
// every variable holds exactly its model's text; at the end nothing is left in
// the string heap but the buffer.

#include "base/heap.h"
#include "base/strings.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* Target = "strings";
constexpr int MaxStatements = 64;
constexpr int MaxOperands = 4;
constexpr std::size_t VariableCount = 4;
// Texts that append variables to themselves would grow without bound; past
// this length such operands append null instead (the buffer has grown many
// times by then).
constexpr std::size_t LongestText = 1 << 17;

std::array<char*, VariableCount> Variables;
std::array<std::optional<std::string>, VariableCount> Model;

// A variable holds text up to its first zero byte, however many bytes were
// stored (a character of code 0 stores as the empty text).
std::string BeforeZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

// An expression under construction: where it starts and the bytes it must
// hold from there.
struct Building {
    std::int32_t start;
    std::string text;
};

void CheckBuilt(const Building& built)
{
    FuzzCheck(TempLength == built.start + static_cast<std::int32_t>(built.text.size()), Target,
              "TempLength is not at the end of the text built");
    FuzzCheck(std::memcmp(TempBuffer + built.start, built.text.data(), built.text.size()) == 0, Target,
              "the buffer does not hold the text built");
    FuzzCheck(TempBuffer[TempLength] == 0, Target, "the text built is not terminated");
}

std::size_t PickVariable(FuzzInput& input) { return input.Byte() % VariableCount; }

void AppendOperand(FuzzInput& input, Building& built)
{
    switch (input.Byte() % 10) {
    case 0: {
        std::size_t v = PickVariable(input);
        const bool fits = built.text.size() + Model[v].value_or("").size() <= LongestText;
        TempAppend(fits ? Variables[v] : nullptr);
        if (fits)
            built.text += Model[v].value_or("");
        break;
    }
    case 1: {
        std::string literal = input.Bytes(input.Byte() % 24);
        TempAppend(literal.c_str());
        built.text += BeforeZero(literal);
        break;
    }
    case 2:
        TempAppend(nullptr);
        break;
    case 3: {
        auto value = input.Number<std::int64_t>();
        NumberToText(value, TempLength);
        built.text += std::to_string(value);
        break;
    }
    case 4: {
        auto value = input.Number<std::int32_t>();
        NumberToText(value, TempLength);
        built.text += std::to_string(value);
        break;
    }
    case 5: {
        auto code = input.Number<std::int32_t>();
        CharToText(code, TempLength);
        built.text += static_cast<char>(code & 0xFF);
        break;
    }
    case 6: {
        std::uint8_t length = input.Byte();
        if (length % 4 == 0) {
            TextFromMemory(nullptr, TempLength);
            break;
        }
        std::string memory = input.Bytes(length);
        TextFromMemory(memory.c_str(), TempLength);
        built.text += BeforeZero(memory);
        break;
    }
    case 7: {
        std::uint8_t unit = input.Byte();
        char fill = static_cast<char>(input.Byte() | 1);
        std::string text(static_cast<std::size_t>(unit + 1) * 100, fill);
        const bool fits = built.text.size() + text.size() <= LongestText;
        TempAppend(fits ? text.c_str() : nullptr);
        if (fits)
            built.text += text;
        break;
    }
    case 8: {
        // A producer's way: reserve, write, give back what was not needed.
        std::int32_t reserved = input.Byte() % 40;
        std::int32_t unused = input.Byte() % (reserved + 1);
        char* destination = TempReserve(reserved, TempLength);
        FuzzCheck(destination != nullptr, Target, "a small reservation was refused");
        for (std::int32_t i = 0; i < reserved; ++i)
            destination[i] = static_cast<char>('a' + i % 26);
        TempShrink(unused);
        TempSetLength(TempLength);
        for (std::int32_t i = 0; i < reserved - unused; ++i)
            built.text += static_cast<char>('a' + i % 26);
        break;
    }
    case 9: {
        std::size_t kept = input.Byte() % (built.text.size() + 1);
        TempSetLength(built.start + static_cast<std::int32_t>(kept));
        built.text.resize(kept);
        break;
    }
    }
    CheckBuilt(built);
}

// An expression of no operand writes nothing, not even a terminator: it can
// be stored (as the empty text) but not passed as an argument.
Building BuildExpression(FuzzInput& input, int leastOperands = 0)
{
    Building built{TempLength, {}};
    int operands = std::max(leastOperands, input.Byte() % (MaxOperands + 1));
    for (int i = 0; i < operands; ++i)
        AppendOperand(input, built);
    return built;
}

void StoreInto(std::size_t v, const Building& built)
{
    FuzzCheck(StringStoreTemp(&Variables[v], built.start) == built.start, Target, "StringStoreTemp returned another start");
    FuzzCheck(TempLength == built.start, Target, "storing did not rewind the buffer to the start");
    Model[v] = BeforeZero(built.text);
}

bool ModelEquals(const std::optional<std::string>& a, const std::string& b) { return a.value_or("") == b; }

// Step 4 of the calling convention: the value is passed as an argument to a
// routine that may build text of its own, growing the buffer, before it reads
// the argument.
void PassAsArgument(FuzzInput& input)
{
    Building argument = BuildExpression(input, 1);
    std::string value = BeforeZero(argument.text);
    ++TempLength;
    const char* text = TempBuffer + argument.start;
    std::size_t v = PickVariable(input);
    switch (input.Byte() % 3) {
    case 0:
        StringAssign(&Variables[v], text);
        Model[v] = value;
        break;
    case 1: {
        Building inner = BuildExpression(input);
        TempAppend(text);
        inner.text += value;
        CheckBuilt(inner);
        Building tail = BuildExpression(input);
        inner.text += tail.text;
        CheckBuilt(inner);
        StoreInto(v, inner);
        break;
    }
    case 2:
        FuzzCheck(StringEquals(text, Variables[v]) == (ModelEquals(Model[v], value) ? 1 : 0), Target,
                  "StringEquals of an argument differs from the model");
        break;
    }
    TempLength = argument.start;
}

void Assign(FuzzInput& input)
{
    std::size_t v = PickVariable(input);
    switch (input.Byte() % 4) {
    case 0: {
        std::size_t w = PickVariable(input);
        StringAssign(&Variables[v], Variables[w]);
        Model[v] = Model[w];
        break;
    }
    case 1: {
        std::string literal = input.Bytes(input.Byte() % 24);
        StringAssign(&Variables[v], literal.c_str());
        Model[v] = BeforeZero(literal);
        break;
    }
    case 2:
        StringAssign(&Variables[v], nullptr);
        Model[v].reset();
        break;
    case 3: {
        // The variable's own text, or its tail.
        if (!Model[v])
            break;
        std::size_t offset = input.Byte() % (Model[v]->size() + 1);
        StringAssign(&Variables[v], Variables[v] + offset);
        Model[v] = Model[v]->substr(offset);
        break;
    }
    }
}

// A caller's mistakes with the buffer primitives: negative sizes and
// positions, and lengths far outside the buffer. Each has a defined result,
// and every byte written stays inside the buffer's block.
void MisuseBuffer(FuzzInput& input)
{
    auto amount = input.Number<std::int32_t>();
    const std::int32_t capacity = TempCapacity;
    switch (input.Byte() % 4) {
    case 0:
        FuzzCheck(TempReserve(amount < 0 ? amount : -1 - amount, TempLength) == nullptr && TempLength == 0, Target,
                  "a negative reservation was not refused");
        break;
    case 1:
        FuzzCheck(TempReserve(1, amount < 0 ? amount : -1 - amount) == nullptr && TempLength == 0, Target,
                  "a reservation at a negative position was not refused");
        break;
    case 2:
        TempShrink(amount);
        break;
    case 3:
        TempSetLength(amount);
        FuzzCheck(TempBuffer[TempLength] == 0, Target, "TempSetLength did not terminate at the length it kept");
        break;
    }
    FuzzCheck(TempCapacity == capacity, Target, "a refused or clamped operation changed the buffer");
    FuzzCheck(TempLength >= 0 && TempLength <= TempCapacity + 1, Target, "TempLength left the buffer");
    TempSetLength(0);
}

void RunStatement(FuzzInput& input)
{
    std::uint8_t statement = input.Byte();
    if (statement >= 0xFC) {
        MisuseBuffer(input);
        return;
    }
    switch (statement % 6) {
    case 0: {
        std::size_t v = PickVariable(input);
        StoreInto(v, BuildExpression(input));
        break;
    }
    case 1:
        PassAsArgument(input);
        break;
    case 2:
        Assign(input);
        break;
    case 3: {
        std::size_t v = PickVariable(input);
        if (Model[v])
            break;
        if (input.Byte() % 2 == 0) {
            StringInit(&Variables[v], nullptr);
            break;
        }
        std::string literal = input.Bytes(input.Byte() % 24);
        StringInit(&Variables[v], literal.c_str());
        Model[v] = BeforeZero(literal);
        break;
    }
    case 4: {
        std::size_t a = PickVariable(input);
        std::size_t b = PickVariable(input);
        FuzzCheck(StringEquals(Variables[a], Variables[b]) == (Model[a].value_or("") == Model[b].value_or("") ? 1 : 0),
                  Target, "StringEquals of two variables differs from the model");
        break;
    }
    case 5: {
        std::size_t v = PickVariable(input);
        StringFree(Variables[v]);
        Variables[v] = nullptr;
        Model[v].reset();
        break;
    }
    }
}

void CheckVariables()
{
    FuzzCheck(TempLength == 0, Target, "a statement left text in the temporary buffer");
    for (std::size_t v = 0; v < VariableCount; ++v) {
        FuzzCheck((Variables[v] == nullptr) == !Model[v], Target, "a variable is null where the model is not, or the reverse");
        if (Variables[v])
            FuzzCheck(*Model[v] == Variables[v], Target, "a variable's text differs from the model");
    }
}

} // namespace

void FuzzStrings(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    HeapClose(StringHeap);
    StringServiceStart();
    Variables.fill(nullptr);
    Model.fill(std::nullopt);
    for (int i = 0; i < MaxStatements && !input.Exhausted(); ++i) {
        RunStatement(input);
        CheckVariables();
    }
    for (char*& variable : Variables) {
        StringFree(variable);
        variable = nullptr;
    }
    // A reservation from empty lets go of every outgrown block: only the
    // buffer itself may remain.
    TempReserve(0, 0);
    FuzzCheck(HeapBlockCount(StringHeap) == 1, Target, "string blocks were left behind");
}
