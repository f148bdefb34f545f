// Port names: the list's order, and merging the system's reports into it.
#include "app/logger/port_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const PortNameList& list)
{
    return std::vector<std::string>(list.names, list.names + list.count);
}

PortNameList ListOf(const std::vector<std::string>& names)
{
    PortNameList list{};
    for (const std::string& name : names)
        PortListAdd(list, name.c_str());
    return list;
}

TEST(PortNames, TheListOrdersComPortsByNumberThenOtherNamesAndKeepsEachPortOnce)
{
    const std::string longest(PortNameMaximum, 'x');
    const PortNameList list = ListOf({"COM10", "CNCA0", "COM2", "com5", "COM100", "COM1", "COM05", "COM5", "cnca0",
                                      "Serial ports", "COM3:", "", "\\Device\\Serial0", "COM4", "COM3", longest,
                                      longest + "x", "COM2147483648", "COM0", "COM"});
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "com5", "COM10", "COM100",
                                                     "CNCA0", "COM", "COM0", "COM05", "COM2147483648", longest}));

    // A full list takes no more, wherever the name would go.
    PortNameList full{};
    for (int port = 1; full.count < PortListMaximum; ++port)
        PortListAdd(full, ("COM" + std::to_string(port + 1)).c_str());
    PortListAdd(full, "COM1");
    EXPECT_EQ(full.count, PortListMaximum);
    EXPECT_EQ(std::string(full.names[0]), "COM2");
}

std::vector<std::string> edited;
std::vector<std::string> calls;

TEST(PortNames, ReconcilingTouchesOnlyTheEntriesThatChange)
{
    const struct {
        std::vector<std::string> shown, wanted;
        std::vector<std::string> calls;
    } rows[] = {
        {{"COM1", "COM2", "COM3", "COM4"}, {"COM1", "COM2", "COM3", "COM4"}, {}},
        {{"COM1", "COM2", "COM3", "COM4"}, {"COM1", "COM2", "COM3", "COM4", "COM7", "COM12"}, {"+4 COM7", "+5 COM12"}},
        {{"COM1", "COM4", "COM7", "COM9", "X"}, {"COM1", "COM4", "COM8", "COM9", "Y"}, {"-2", "+2 COM8", "-4", "+4 Y"}},
        {{"COM1", "COM5", "COM6", "COM7"}, {"COM1"}, {"-1", "-1", "-1"}},
        {{}, {"COM1", "COM2"}, {"+0 COM1", "+1 COM2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.shown) + " to " + testing::PrintToString(row.wanted));
        edited = row.shown;
        calls.clear();
        const PortListEdits edits{
            [](std::int32_t position) {
                calls.push_back("-" + std::to_string(position));
                edited.erase(edited.begin() + position);
            },
            [](std::int32_t position, const char* name) {
                calls.push_back("+" + std::to_string(position) + " " + name);
                edited.insert(edited.begin() + position, name);
            },
        };
        PortListReconcile(ListOf(row.shown), ListOf(row.wanted), edits);
        EXPECT_EQ(calls, row.calls);
        EXPECT_EQ(edited, row.wanted);
    }
}

} // namespace
