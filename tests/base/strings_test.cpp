#include "base/strings.h"
#include "base/text_expression.h"

#include "base_heaps.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

class StringsTest : public BaseHeaps {
protected:
    // The text a producer left at position, after checking the producer
    // rules: TempLength is position + length with the terminator there.
    static std::string ProducedAt(std::int32_t position)
    {
        EXPECT_GE(TempLength, position);
        EXPECT_EQ(TempBuffer[TempLength], 0);
        return std::string(TempBuffer + position, static_cast<std::size_t>(TempLength - position));
    }

    static std::string NumberText(std::int64_t value)
    {
        const std::int32_t position = TempLength;
        NumberToText(value, position);
        std::string text = ProducedAt(position);
        TempSetLength(position);
        return text;
    }
};

std::string Reference(std::int64_t value)
{
    char digits[32];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

TEST_F(StringsTest, NumbersAtTheLimitsOfBothPaths)
{
    struct Case {
        std::int64_t value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-1, "-1"},
        {7, "7"},
        {-10, "-10"},
        {2147483647, "2147483647"},
        {-2147483647 - 1, "-2147483648"},
        {2147483648LL, "2147483648"},
        {-2147483649LL, "-2147483649"},
        {INT64_MAX, "9223372036854775807"},
        {INT64_MIN, "-9223372036854775808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
}

TEST_F(StringsTest, NumbersAgreeWithTheStandardLibrary)
{
    std::mt19937_64 random(42);
    for (int i = 0; i < 200000; ++i) {
        // Random magnitudes from one digit to nineteen, both signs.
        const auto value = static_cast<std::int64_t>(random() >> (random() % 64));
        const std::int64_t signedValue = (random() & 1) ? value : -value;
        ASSERT_EQ(NumberText(signedValue), Reference(signedValue));
    }
    EXPECT_EQ(TempLength, 0);
}

TEST_F(StringsTest, ProducersWriteAtTheirPositionAndKeepWhatCameBefore)
{
    TempAppend("T=");
    const std::int32_t afterPrefix = TempLength;
    NumberToText(-25, TempLength);
    CharToText('C', TempLength);
    TextFromMemory(" ok", TempLength);
    EXPECT_EQ(ProducedAt(0), "T=-25C ok");
    NumberToText(123456789012LL, afterPrefix); // rewrites from a position
    EXPECT_EQ(ProducedAt(0), "T=123456789012");
}

TEST_F(StringsTest, CharacterTextTakesTheLowEightBitsAndAlwaysOneByte)
{
    struct Case {
        std::int32_t code;
        char byte;
    };
    for (const Case& c : {Case{65, 'A'}, Case{321, 'A'}, Case{0xC0, '\xC0'}, Case{-1, '\xFF'}, Case{0, '\0'}}) {
        TempSetLength(3);
        CharToText(c.code, 3);
        EXPECT_EQ(TempLength, 4) << c.code;
        EXPECT_EQ(TempBuffer[3], c.byte) << c.code;
        EXPECT_EQ(TempBuffer[4], 0) << c.code;
    }
}

TEST_F(StringsTest, CharacterZeroStoresTheEmptyText)
{
    char* text = nullptr;
    const std::int32_t start = TempLength;
    CharToText(0, TempLength);
    StringStoreTemp(&text, start);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(TempLength, start);
    StringFree(text);
}

TEST_F(StringsTest, TextFromMemoryStopsAtTheFirstZeroAndReadsNullAsEmpty)
{
    const char bytes[] = {'a', 'b', 0, 'c', 0};
    TextFromMemory(bytes, 0);
    EXPECT_EQ(ProducedAt(0), "ab");
    TextFromMemory(nullptr, 2);
    EXPECT_EQ(TempLength, 2);
    EXPECT_EQ(TempBuffer[2], 0);
}

TEST_F(StringsTest, AppendingNullOnlyTerminates)
{
    TempAppend("abcde");
    TempBuffer[5] = 'x';
    TempAppend(nullptr);
    EXPECT_EQ(TempLength, 5);
    EXPECT_EQ(TempBuffer[5], 0);
}

TEST_F(StringsTest, TheBufferGrowsWhenAReservationReachesFourBytesBeforeItsEnd)
{
    struct Case {
        std::int32_t length;
        std::int32_t capacity;
    };
    for (const Case& c : {Case{11, 16}, Case{12, 16396}}) {
        TearDown();
        SetUp();
        ASSERT_EQ(TempCapacity, 16);
        ASSERT_NE(TempReserve(c.length, 0), nullptr);
        EXPECT_EQ(TempCapacity, c.capacity) << c.length;
        EXPECT_EQ(TempLength, c.length);
    }
    // From the grown buffer: the next step is again the end + 16384.
    ASSERT_NE(TempReserve(16396 - 4 - 12, 12), nullptr);
    EXPECT_EQ(TempCapacity, 16396 - 4 + 16384);
}

TEST_F(StringsTest, TextBuiltBeforeAGrowthStaysAtItsOffsets)
{
    TempAppend("before");
    const std::string filler(40000, 'f');
    TempAppend(filler.c_str());
    EXPECT_GT(TempCapacity, 40000);
    EXPECT_EQ(std::string(TempBuffer, 6), "before");
    EXPECT_EQ(TempLength, 40006);
    EXPECT_EQ(TempBuffer[40006], 0);
}

TEST_F(StringsTest, AReservationPastTheThirtyTwoBitCapacityChangesNothing)
{
    TempAppend("kept");
    char* buffer = TempBuffer;
    const std::int32_t capacity = TempCapacity;
    for (std::int32_t length : {INT32_MAX, INT32_MAX - 4, INT32_MAX - 16384}) {
        EXPECT_EQ(TempReserve(length, TempLength), nullptr) << length;
        EXPECT_EQ(TempLength, 4);
        EXPECT_EQ(TempBuffer, buffer);
        EXPECT_EQ(TempCapacity, capacity);
    }
    EXPECT_EQ(TempReserve(-1, 4), nullptr);
    EXPECT_EQ(TempReserve(1, -1), nullptr);
    EXPECT_EQ(std::string(TempBuffer), "kept");
}

TEST_F(StringsTest, ShrinkAndSetLengthStayInsideTheBuffer)
{
    TempAppend("abc");
    TempShrink(10);
    EXPECT_EQ(TempLength, 0);
    TempSetLength(-5);
    EXPECT_EQ(TempLength, 0);
    TempSetLength(INT32_MAX);
    EXPECT_EQ(TempLength, TempCapacity + 1);
    EXPECT_EQ(TempBuffer[TempLength], 0);
    TempShrink(INT32_MIN);
    EXPECT_EQ(TempLength, TempCapacity + 1);
}

TEST_F(StringsTest, AnExpressionIsStoredAndLeavesTheBufferAsItFoundIt)
{
    TempAppend("outer");
    const std::int32_t outer = TempLength;
    char* port = nullptr;
    const std::int32_t start = TempLength;
    TempAppend("COM");
    NumberToText(3, TempLength);
    EXPECT_EQ(StringStoreTemp(&port, start), start);
    EXPECT_STREQ(port, "COM3");
    EXPECT_EQ(TempLength, outer);
    EXPECT_EQ(std::string(TempBuffer, 5), "outer");
    StringFree(port);
}

TEST_F(StringsTest, Equality)
{
    struct Case {
        const char* a;
        const char* b;
        std::int32_t equal;
    };
    const Case cases[] = {
        {nullptr, "", 1}, {"", nullptr, 1}, {nullptr, nullptr, 1}, {"1", "1", 1},
        {"1", "1 ", 0},   {"a", "A", 0},    {"abc", "abd", 0},     {"\xC0", "\xE0", 0},
        {"", "x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringEquals(c.a, c.b), c.equal) << (c.a ? c.a : "null") << " / " << (c.b ? c.b : "null");
}

TEST_F(StringsTest, AssignmentCopiesAndNullReleases)
{
    char source[] = "abc";
    char* text = nullptr;
    StringAssign(&text, source);
    ASSERT_NE(text, source);
    source[0] = 'X';
    EXPECT_STREQ(text, "abc");
    StringAssign(&text, "");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    StringAssign(&text, nullptr);
    EXPECT_EQ(text, nullptr);
    StringAssign(&text, nullptr);
    EXPECT_EQ(text, nullptr);
}

TEST_F(StringsTest, AVariableCanBeAssignedItsOwnText)
{
    char* text = nullptr;
    StringAssign(&text, "a fairly long text that a resize may move");
    StringAssign(&text, text);
    EXPECT_STREQ(text, "a fairly long text that a resize may move");
    StringAssign(&text, text + 2);
    EXPECT_STREQ(text, "fairly long text that a resize may move");
    StringAssign(&text, text + std::strlen(text));
    EXPECT_STREQ(text, "");
    StringFree(text);
}

TEST_F(StringsTest, InitCopiesIntoANewBlockAndIgnoresNull)
{
    char* text = nullptr;
    StringInit(&text, nullptr);
    EXPECT_EQ(text, nullptr);
    StringInit(&text, "xy");
    EXPECT_STREQ(text, "xy");
    StringFree(text);
    StringFree(nullptr);
}

#ifndef _WIN32
TEST_F(StringsTest, WhenTheHeapRefusesTextsKeepWhatTheyHad)
{
    char* kept = nullptr;
    StringAssign(&kept, "old");
    const std::int32_t capacity = TempCapacity;
    {
        HeapRefusal refusal(16);
        EXPECT_EQ(TempReserve(capacity, 0), nullptr);
        EXPECT_EQ(TempLength, 0);
        StringAssign(&kept, "a text longer than any block the heap now gives");
        EXPECT_STREQ(kept, "old");
        char* fresh = nullptr;
        StringInit(&fresh, "another text longer than the heap now gives");
        EXPECT_EQ(fresh, nullptr);
    }
    EXPECT_EQ(TempCapacity, capacity);
    StringFree(kept);
}
#endif

TEST_F(StringsTest, RepeatedAssignmentsHoldOneBlockPerVariable)
{
    const std::size_t blocks = StringBlocks();
    char* a = nullptr;
    char* b = nullptr;
    for (int i = 0; i < 500; ++i) {
        StoreText(a, TextStart() + "n=" + TextOfNumber(i));
        StringAssign(&b, a);
    }
    EXPECT_STREQ(a, "n=499");
    EXPECT_STREQ(b, "n=499");
    EXPECT_NE(a, b);
    EXPECT_EQ(StringBlocks(), blocks + 2);
    StringAssign(&a, nullptr);
    StringFree(b);
    EXPECT_EQ(StringBlocks(), blocks);
}

TEST_F(StringsTest, TextExpressionsAppendCharactersOneStatementAtATime)
{
    char* dump = nullptr;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const int byte = 'a' + i % 26;
        StoreText(dump, TextStart() + dump + TextOfChar(byte));
        expected += static_cast<char>(byte);
        ASSERT_EQ(TempLength, 0);
    }
    EXPECT_EQ(std::string(dump), expected);
    const char memory[] = "mem";
    char* mixed = nullptr;
    StoreText(mixed, TextStart() + "[" + TextOfMemory(memory) + "|" + TextOfNumber(-42) + "|" + nullptr + "]");
    EXPECT_STREQ(mixed, "[mem|-42|]");
    StringFree(dump);
    StringFree(mixed);
}

// A routine that builds its own temporary text from an argument that lies in
// the buffer, growing the buffer while it does.
std::string Decorate(const char* argument)
{
    char* result = nullptr;
    const std::string padding(30000, '.');
    StoreText(result, TextStart() + padding.c_str() + argument + "!");
    std::string text(result + padding.size());
    StringFree(result);
    return text;
}

TEST_F(StringsTest, AnArgumentInTheBufferSurvivesTheCalleesOwnText)
{
    TempAppend("held");
    const std::string decorated = Decorate(TextArgument(TextStart() + "COM" + TextOfNumber(4)).Text());
    EXPECT_EQ(decorated, "COM4!");
    EXPECT_EQ(TempLength, 4);
    EXPECT_EQ(std::string(TempBuffer, 4), "held");
}

} // namespace
