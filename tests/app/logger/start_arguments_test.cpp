// The command line: a port, a watch, an address and a record file in any
// order, read by the system's quoting rules.
#include "app/logger/start_arguments.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const char16_t* text)
{
    std::string narrow;
    for (; *text; ++text)
        narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

TEST(StartArguments, EachArgumentFindsItsPlaceWhateverTheOrder)
{
    const struct {
        const char16_t* commandLine;
        const char* port;
        std::uint32_t seconds;
        bool refused;
        const char* publish;
        const char* file;
        std::int32_t unplaced;
    } rows[] = {
        {u"korvane.exe COM7", "COM7", 0, false, "", "", 0},
        {u"\"C:\\Program Files\\korvane.exe\"   com12  ", "COM12", 0, false, "", "", 0},
        {u"korvane.exe\tCNCA0", "CNCA0", 0, false, "", "", 0},
        {u"korvane.exe", "", 0, false, "", "", 0},
        {u"\"C:\\Program Files\\korvane.exe\" ", "", 0, false, "", "", 0},
        // Two ports: which one was meant is unknown.
        {u"korvane.exe COM7 COM8", "", 0, false, "", "", 1},
        {u"korvane.exe \"COM7\"", "COM7", 0, false, "", "", 0},
        {u"korvane.exe \"Usb\"Serial\"\"", "UsbSerial", 0, false, "", "", 0},
        {u"korvane.exe \"COM7 COM8\"", "", 0, false, "", "", 1},
        {u"korvane.exe \"\"", "", 0, false, "", "", 1},
        {u"korvane.exe COM7:9600", "", 0, false, "", "", 1},
        {u"korvane.exe \\\\.\\COM7", "", 0, false, "", "", 1},
        {u"\"unterminated COM7", "", 0, false, "", "", 0},
        {u"", "", 0, false, "", "", 0},
        {u"korvane.exe COM3 --watch 10 \"D:\\\u0414\u0430\u043d\u043d\u044b\u0435\\fridge.CSV\"", "COM3", 10, false, "",
         "D:\\??????\\fridge.CSV", 0},
        {u"korvane.exe --publish http://10.0.0.5:8428/write week.csv --WATCH 600 com4", "COM4", 600, false,
         "http://10.0.0.5:8428/write", "week.csv", 0},
        // A length the list does not offer, or none, starts no watch.
        {u"korvane.exe --watch 3 COM3", "COM3", 0, true, "", "", 0},
        {u"korvane.exe COM3 --watch", "COM3", 0, true, "", "", 0},
        {u"korvane.exe --watch 4294967306", "", 0, true, "", "", 0},
        {u"korvane.exe --publish", "", 0, false, "", "", 1},
        {u"korvane.exe a.csv b.csv", "", 0, false, "", "a.csv", 1},
        {u"korvane.exe .csv", ".csv", 0, false, "", "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.commandLine));
        StartArguments arguments;
        ReadStartArguments(row.commandLine, arguments);
        EXPECT_STREQ(arguments.port, row.port);
        EXPECT_EQ(arguments.watchSeconds, row.seconds);
        EXPECT_EQ(arguments.watchRefused, row.refused);
        EXPECT_EQ(Narrow(arguments.publish), row.publish);
        EXPECT_EQ(Narrow(arguments.file), row.file);
        EXPECT_EQ(arguments.unplaced, row.unplaced);
    }
    StartArguments arguments;
    ReadStartArguments(nullptr, arguments);
    EXPECT_STREQ(arguments.port, "");
    // A port name as long as the list takes, and one longer; an argument
    // beyond the longest is cut, never written past.
    const std::u16string longest(PortNameMaximum, u'p');
    ReadStartArguments((u"korvane.exe " + longest).c_str(), arguments);
    EXPECT_EQ(std::string(arguments.port), std::string(PortNameMaximum, 'p'));
    ReadStartArguments((u"korvane.exe " + longest + u"p").c_str(), arguments);
    EXPECT_STREQ(arguments.port, "");
    const std::u16string huge(5000, u'x');
    ReadStartArguments((u"korvane.exe --publish " + huge).c_str(), arguments);
    EXPECT_EQ(Narrow(arguments.publish).size(), static_cast<std::size_t>(StartArgumentLongest));
}

} // namespace
