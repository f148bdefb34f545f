// Readings as the database's lines, the addresses they go to, and the rules
// of what waits and when the next request goes.
#include "app/logger/publish_lines.h"
#include "app/logger/publish_plan.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace {

std::string Line(const PublishPoint& point, const char* logger, const char* port = "COM3")
{
    char text[PublishLineLongest + 1];
    const std::size_t length = PublishLine(point, logger, port, text, sizeof text);
    return std::string(text, length);
}

std::u16string Address(bool (*form)(const char16_t*, char16_t*, std::size_t), const char16_t* address,
                       std::size_t room = 256)
{
    char16_t text[256];
    return form(address, text, room) ? std::u16string(text) : u"(does not fit)";
}

TEST(PublishLines, TagsEscapedNumbersWithAPointAndTheTimeInSeconds)
{
    EXPECT_EQ(Line({1796899093, 21.5, false, false, 0}, "lab"),
              "temperature,logger=lab,port=COM3 value=21.5,alarm=false 1796899093\n");
    EXPECT_EQ(Line({1796899093, -0.25, true, true, 0}, "a b,c=d\\e"),
              "temperature_dump,logger=a\\ b\\,c\\=d\\\\e,port=COM3 value=-0.25,alarm=true 1796899093\n");
    // UTF-8 passes as it is: "Холодильник 2".
    EXPECT_EQ(Line({0, 3, false, false, 0}, "\xd0\xa5\xd0\xbe\xd0\xbb\xd0\xbe\xd0\xb4 2"),
              "temperature,logger=\xd0\xa5\xd0\xbe\xd0\xbb\xd0\xbe\xd0\xb4\\ 2,port=COM3 value=3,alarm=false 0\n");
    // A locale with a decimal comma changes nothing.
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string kept = before ? before : "C";
    if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(Line({1, 20.125, false, false, 0}, "x"), "temperature,logger=x,port=COM3 value=20.125,alarm=false 1\n");
    }
    std::setlocale(LC_NUMERIC, kept.c_str());
    // No line for what is no number, nor one cut short.
    EXPECT_EQ(Line({1, INFINITY, false, false, 0}, "x"), "");
    char small[20];
    EXPECT_EQ(PublishLine({1, 20, false, false, 0}, "x", "COM3", small, sizeof small), 0u);
}

TEST(PublishLines, NamesAndAddresses)
{
    EXPECT_TRUE(PublishNameAllowed("\xd0\x9b\xd0\xb0\xd0\xb1 1"));
    EXPECT_FALSE(PublishNameAllowed(""));
    EXPECT_FALSE(PublishNameAllowed("two\nlines"));
    EXPECT_FALSE(PublishNameAllowed("tab\there"));
    EXPECT_FALSE(PublishNameAllowed(std::string(PublishNameLongest + 1, 'a').c_str()));

    EXPECT_EQ(Address(PublishWriteAddress, u"http://10.0.0.5:8428/write"), u"http://10.0.0.5:8428/write?precision=s");
    EXPECT_EQ(Address(PublishWriteAddress, u"https://db.example/api/v2/write?org=lab&bucket=cold"),
              u"https://db.example/api/v2/write?org=lab&bucket=cold&precision=s");
    EXPECT_EQ(Address(PublishWriteAddress, u"http://h/write?"), u"http://h/write?precision=s");
    EXPECT_EQ(Address(PublishWriteAddress, u"http://h/write?a=1#x"), u"http://h/write?a=1&precision=s#x");
    EXPECT_EQ(Address(PublishWriteAddress, u"http://h/write", 26), u"(does not fit)");
    EXPECT_EQ(Address(PublishWriteAddress, u"http://h/write", 27), u"http://h/write?precision=s");

    EXPECT_EQ(Address(PublishPingAddress, u"https://db.example/api/v2/write?org=lab"), u"https://db.example/ping");
    EXPECT_EQ(Address(PublishPingAddress, u"HTTP://10.0.0.5:8428/write"), u"HTTP://10.0.0.5:8428/ping");
    EXPECT_EQ(Address(PublishPingAddress, u"http://h?x=1"), u"http://h/ping");

    for (const char16_t* good : {u"http://h", u"HTTPS://db.example:443/write?x=1"})
        EXPECT_TRUE(PublishAddressAllowed(good));
    for (const char16_t* bad : {u"", u"ftp://h/write", u"http://", u"http:///write", u"http://:80/", u"http://h/a b",
                                u"db.example/write"})
        EXPECT_FALSE(PublishAddressAllowed(bad));
}

TEST(PublishWaiting, TheOldestGivenUpFirstAndOlderPointsInFront)
{
    PublishWaiting waiting{};
    for (std::size_t i = 0; i < PublishWaitingRoom + 3; ++i)
        ASSERT_TRUE(PublishWaitingAdd(waiting, {static_cast<std::int64_t>(i), 0, false, false, 0}));
    EXPECT_EQ(waiting.count, PublishWaitingRoom);
    EXPECT_EQ(waiting.givenUp, 3u);
    EXPECT_EQ(PublishWaitingAt(waiting, 0).unixSeconds, 3);
    EXPECT_EQ(PublishWaitingAt(waiting, PublishWaitingRoom - 1).unixSeconds,
              static_cast<std::int64_t>(PublishWaitingRoom + 2));
    // A point read back for a full ring is the oldest of all.
    ASSERT_TRUE(PublishWaitingAddOlder(waiting, {1, 0, false, false, 0}));
    EXPECT_EQ(waiting.givenUp, 4u);
    EXPECT_EQ(PublishWaitingAt(waiting, 0).unixSeconds, 3);

    PublishWaitingDrop(waiting, PublishWaitingRoom - 1);
    ASSERT_EQ(waiting.count, 1u);
    ASSERT_TRUE(PublishWaitingAddOlder(waiting, {2, 0, false, false, 0}));
    ASSERT_TRUE(PublishWaitingAddOlder(waiting, {1, 0, false, false, 0}));
    ASSERT_TRUE(PublishWaitingAdd(waiting, {9, 0, false, false, 0}));
    std::string order;
    for (std::size_t i = 0; i < waiting.count; ++i)
        order += std::to_string(PublishWaitingAt(waiting, i).unixSeconds) + " ";
    EXPECT_EQ(order, "1 2 " + std::to_string(PublishWaitingRoom + 2) + " 9 ");
    PublishWaitingDrop(waiting, 10);
    EXPECT_EQ(waiting.count, 0u);
    PublishWaitingFree(waiting);
}

TEST(PublishPlan, AnswersBackOffAndSplits)
{
    EXPECT_EQ(PublishJudge(204), PublishAnswer::Taken);
    for (int status : {0, 408, 429, 500, 503})
        EXPECT_EQ(PublishJudge(status), PublishAnswer::Retry) << status;
    EXPECT_EQ(PublishJudge(413), PublishAnswer::TooLarge);
    for (int status : {400, 401, 403, 404, 301})
        EXPECT_EQ(PublishJudge(status), PublishAnswer::Refused) << status;

    // At most one request a second while the server takes them.
    PublishPlan plan{};
    EXPECT_EQ(PublishAfter(plan, PublishAnswer::Taken, 7, 10'000, 10'050, 0), 7u);
    EXPECT_EQ(plan.next, 11'000u);
    EXPECT_EQ(plan.state, PublishState::Current);

    // Failures double the pause up to a minute; Retry-After wins.
    std::uint64_t now = 20'000;
    std::string pauses;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(PublishAfter(plan, PublishAnswer::Retry, 7, now, now, 0), 0u);
        pauses += std::to_string((plan.next - now) / 1000) + " ";
        now = plan.next;
    }
    EXPECT_EQ(pauses, "1 2 4 8 16 32 60 60 60 ");
    EXPECT_EQ(plan.state, PublishState::Behind);
    PublishAfter(plan, PublishAnswer::Retry, 7, now, now, 120);
    EXPECT_EQ(plan.next - now, 120'000u);
    PublishAfter(plan, PublishAnswer::Retry, 7, now, now, 86'400 * 30);
    EXPECT_EQ(plan.next - now, PublishRetryAfterLongest);
    PublishAfter(plan, PublishAnswer::Taken, 7, now, now + 10, 0);
    EXPECT_EQ(plan.failures, 0u);

    // Too large: halved at once until taken, then growing back; a lone line
    // is given up.
    EXPECT_EQ(PublishBatchSize(plan, 12'000), PublishBatchMost);
    EXPECT_EQ(PublishAfter(plan, PublishAnswer::TooLarge, 5'000, now, now + 5, 0), 0u);
    EXPECT_EQ(plan.next, now + 5);
    EXPECT_EQ(PublishBatchSize(plan, 12'000), 2'500u);
    EXPECT_EQ(PublishAfter(plan, PublishAnswer::TooLarge, 1, now, now, 0), 1u);
    PublishAfter(plan, PublishAnswer::Taken, 2'500, now, now, 0);
    EXPECT_EQ(PublishBatchSize(plan, 12'000), PublishBatchMost);

    PublishAfter(plan, PublishAnswer::Refused, 7, now, now, 0);
    EXPECT_EQ(plan.state, PublishState::Stopped);
}

} // namespace
