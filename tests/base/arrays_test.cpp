#include "base/arrays.h"
#include "base/strings.h"

#include "base_heaps.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr DescriptorWord Word = sizeof(void*);

struct Leaf {
    std::int32_t id;
    char* name;
    double weight;
};

struct Branch {
    std::int32_t tag;
    Leaf pair[2];
    Leaf single;
    char* title;
    Leaf* leaves; // a member array of 3
    std::int64_t stamp;
};

const DescriptorWord LeafDescriptor[] = {offsetof(Leaf, name), DescriptorEnd};

const DescriptorWord BranchDescriptor[] = {
    DescriptorRun,    2, offsetof(Branch, pair), sizeof(Leaf), DescriptorAddress(LeafDescriptor),
    DescriptorNested, offsetof(Branch, single), sizeof(Leaf), DescriptorAddress(LeafDescriptor),
    offsetof(Branch, title),
    DescriptorArray,  offsetof(Branch, leaves), sizeof(Leaf), 3, 11, DescriptorAddress(LeafDescriptor),
    DescriptorEnd,
};

class ArraysTest : public BaseHeaps {
protected:
    void SetUp() override
    {
        BaseHeaps::SetUp();
        mainBaseline = MainBlocks();
        stringBaseline = StringBlocks();
    }

    void ExpectEverythingReleased()
    {
        EXPECT_EQ(MainBlocks(), mainBaseline);
        EXPECT_EQ(StringBlocks(), stringBaseline);
    }

    std::size_t mainBaseline = 0;
    std::size_t stringBaseline = 0;
};

std::vector<unsigned char> Bytes(const void* address, std::size_t size)
{
    const auto* begin = static_cast<const unsigned char*>(address);
    return std::vector<unsigned char>(begin, begin + size);
}

TEST_F(ArraysTest, CreateGivesAZeroedArrayOwnedByItsVariable)
{
    void* v = nullptr;
    auto* bytes = static_cast<unsigned char*>(ArrayCreate(1, 5, 11, nullptr, &v));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(v, bytes);
    EXPECT_EQ(Bytes(bytes, 5), std::vector<unsigned char>(5, 0));
    const ArrayHeader* header = ArrayHeaderOf(bytes);
    EXPECT_EQ(header->marker, 1);
    EXPECT_EQ(header->elementSize, 1);
    EXPECT_EQ(header->count, 5);
    EXPECT_EQ(header->typeCode, 11);
    EXPECT_EQ(header->owner, &v);
    EXPECT_EQ(header->descriptor, nullptr);
    EXPECT_EQ(sizeof(ArrayHeader), 6 * sizeof(void*));
    const std::size_t oneArray = MainBlocks();

    void* second = ArrayCreate(1, 3, 11, nullptr, &v);
    EXPECT_EQ(v, second);
    EXPECT_EQ(ArrayHeaderOf(second)->count, 3);
    EXPECT_EQ(MainBlocks(), oneArray); // the first one was released

    ArrayFree(v);
    EXPECT_EQ(v, nullptr);
    ArrayFree(nullptr);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, AnEmptyArrayIsAHeaderOnly)
{
    void* v = nullptr;
    ASSERT_NE(ArrayCreate(sizeof(Branch), 0, 11, BranchDescriptor, &v), nullptr);
    EXPECT_EQ(ArrayHeaderOf(v)->count, 0);
    ArrayFree(v);
    EXPECT_EQ(v, nullptr);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, ImpossibleShapesGiveNullAndReleaseTheOldArray)
{
    struct Case {
        std::int32_t elementSize, count;
    };
    for (const Case& c : {Case{-1, 3}, Case{4, -1}, Case{INT32_MAX, INT32_MAX}}) {
        void* v = nullptr;
        ArrayCreate(4, 2, 11, nullptr, &v);
        EXPECT_EQ(ArrayCreate(c.elementSize, c.count, 11, nullptr, &v), nullptr) << c.elementSize << " " << c.count;
        EXPECT_EQ(v, nullptr);
    }
    EXPECT_EQ(ArrayCreate(4, 1, 11, nullptr, nullptr), nullptr);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, EveryElementGetsItsOwnMemberArrays)
{
    void* v = nullptr;
    auto* branches = static_cast<Branch*>(ArrayCreate(sizeof(Branch), 4, 11, BranchDescriptor, &v));
    ASSERT_NE(branches, nullptr);
    std::set<Leaf*> distinct;
    for (int i = 0; i < 4; ++i) {
        Leaf* leaves = branches[i].leaves;
        ASSERT_NE(leaves, nullptr);
        distinct.insert(leaves);
        const ArrayHeader* header = ArrayHeaderOf(leaves);
        EXPECT_EQ(header->count, 3);
        EXPECT_EQ(header->elementSize, static_cast<std::intptr_t>(sizeof(Leaf)));
        EXPECT_EQ(header->descriptor, LeafDescriptor);
        EXPECT_EQ(header->owner, reinterpret_cast<void**>(&branches[i].leaves));
        EXPECT_EQ(Bytes(leaves, 3 * sizeof(Leaf)), std::vector<unsigned char>(3 * sizeof(Leaf), 0));
    }
    EXPECT_EQ(distinct.size(), 4u);
    ArrayFree(v);
    ExpectEverythingReleased();
}

// Fills a branch with texts and plain values derived from seed.
void FillBranch(Branch& branch, int seed)
{
    auto name = [seed](const char* part, int i) { return std::to_string(seed) + part + std::to_string(i); };
    branch.tag = seed;
    branch.stamp = 1000000000000LL * seed;
    for (int i = 0; i < 2; ++i) {
        branch.pair[i].id = seed * 10 + i;
        branch.pair[i].weight = seed + i / 4.0;
        StringAssign(&branch.pair[i].name, name("pair", i).c_str());
    }
    branch.single.id = -seed;
    StringAssign(&branch.single.name, name("single", 0).c_str());
    StringAssign(&branch.title, name("title", 0).c_str());
    for (int i = 0; i < 3; ++i) {
        branch.leaves[i].id = seed * 100 + i;
        StringAssign(&branch.leaves[i].name, name("leaf", i).c_str());
    }
}

void ExpectSameContents(const Branch& a, const Branch& b)
{
    EXPECT_EQ(a.tag, b.tag);
    EXPECT_EQ(a.stamp, b.stamp);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a.pair[i].id, b.pair[i].id);
        EXPECT_EQ(a.pair[i].weight, b.pair[i].weight);
        EXPECT_EQ(StringEquals(a.pair[i].name, b.pair[i].name), 1);
    }
    EXPECT_EQ(a.single.id, b.single.id);
    EXPECT_EQ(StringEquals(a.single.name, b.single.name), 1);
    EXPECT_EQ(StringEquals(a.title, b.title), 1);
    ASSERT_NE(b.leaves, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.leaves[i].id, b.leaves[i].id);
        EXPECT_EQ(StringEquals(a.leaves[i].name, b.leaves[i].name), 1);
    }
}

// Every block a branch owns.
void CollectBlocks(const Branch& branch, std::vector<const void*>& blocks)
{
    for (const Leaf& leaf : branch.pair)
        blocks.push_back(leaf.name);
    blocks.push_back(branch.single.name);
    blocks.push_back(branch.title);
    blocks.push_back(branch.leaves);
    for (int i = 0; i < 3; ++i)
        blocks.push_back(branch.leaves[i].name);
}

TEST_F(ArraysTest, ADeepCopySharesNoBlockWithItsSourceAndLeaksNothing)
{
    void* source = nullptr;
    void* copy = nullptr;
    auto* from = static_cast<Branch*>(ArrayCreate(sizeof(Branch), 3, 11, BranchDescriptor, &source));
    for (int i = 0; i < 3; ++i)
        FillBranch(from[i], i + 1);
    ArrayCreate(1, 7, 5, nullptr, &copy); // another shape altogether

    ASSERT_EQ(ArrayCopy(source, copy, 1), 1);
    auto* to = static_cast<Branch*>(copy);
    EXPECT_EQ(ArrayHeaderOf(copy)->count, 3);
    EXPECT_EQ(ArrayHeaderOf(copy)->owner, &copy);
    EXPECT_EQ(ArrayHeaderOf(copy)->typeCode, 11);

    std::vector<const void*> sourceBlocks;
    std::vector<const void*> copyBlocks;
    for (int i = 0; i < 3; ++i) {
        ExpectSameContents(from[i], to[i]);
        CollectBlocks(from[i], sourceBlocks);
        CollectBlocks(to[i], copyBlocks);
    }
    std::set<const void*> all(sourceBlocks.begin(), sourceBlocks.end());
    all.insert(copyBlocks.begin(), copyBlocks.end());
    EXPECT_EQ(all.size(), sourceBlocks.size() + copyBlocks.size());
    EXPECT_EQ(all.count(nullptr), 0u);

    // Copying again over a filled destination releases what it held.
    const std::size_t mainBlocks = MainBlocks();
    const std::size_t stringBlocks = StringBlocks();
    for (int round = 0; round < 3; ++round)
        ASSERT_EQ(ArrayCopy(source, copy, 0), 1);
    EXPECT_EQ(MainBlocks(), mainBlocks);
    EXPECT_EQ(StringBlocks(), stringBlocks);

    ArrayFree(source);
    EXPECT_EQ(source, nullptr);
    StringAssign(&to[2].leaves[1].name, "still mine"); // the copy lives on by itself
    EXPECT_STREQ(to[1].leaves[2].name, "2leaf2");
    ArrayFree(copy);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, CopyingOverAByteForByteDuplicateGivesItBlocksOfItsOwn)
{
    void* source = nullptr;
    auto* from = static_cast<Branch*>(ArrayCreate(sizeof(Branch), 1, 11, BranchDescriptor, &source));
    FillBranch(from[0], 5);
    Branch twin;
    std::memcpy(&twin, &from[0], sizeof twin); // shares every owned block
    StructureCopy(&twin, sizeof twin, BranchDescriptor, &from[0]);
    ExpectSameContents(from[0], twin);
    std::vector<const void*> blocks;
    CollectBlocks(from[0], blocks);
    CollectBlocks(twin, blocks);
    EXPECT_EQ(std::set<const void*>(blocks.begin(), blocks.end()).size(), blocks.size());
    StructureFree(&twin, BranchDescriptor);
    ArrayFree(source);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, CopyingAStringMemberAtAnyOffset)
{
    // A string at offset 4 (unaligned on 64-bit words) between plain bytes.
    const DescriptorWord descriptor[] = {4, DescriptorEnd};
    const std::int32_t size = static_cast<std::int32_t>(4 + Word + 4);
    unsigned char source[32] = {};
    unsigned char destination[32] = {};
    auto member = [](unsigned char* structure) {
        char* text;
        std::memcpy(&text, structure + 4, sizeof text);
        return text;
    };
    auto setMember = [](unsigned char* structure, char* text) { std::memcpy(structure + 4, &text, sizeof text); };

    char* abc = nullptr;
    char* xy = nullptr;
    StringAssign(&abc, "abc");
    StringAssign(&xy, "xy");
    setMember(source, abc);
    setMember(destination, xy);
    std::memset(source, 0x11, 4);
    std::memset(source + 4 + Word, 0x22, 4);
    const std::size_t stringBlocks = StringBlocks();

    StructureCopy(destination, size, descriptor, source);
    EXPECT_STREQ(member(destination), "abc");
    EXPECT_NE(member(destination), abc);
    EXPECT_EQ(StringBlocks(), stringBlocks); // xy released, abc copied
    EXPECT_EQ(Bytes(destination, 4), Bytes(source, 4));
    EXPECT_EQ(Bytes(destination + 4 + Word, 4), Bytes(source + 4 + Word, 4));
    EXPECT_EQ(destination[size], 0); // nothing past the structure

    setMember(source, nullptr);
    StructureCopy(destination, size, descriptor, source);
    EXPECT_EQ(member(destination), nullptr);
    StructureCopy(source, size, descriptor, source); // onto itself: left alone
    StringFree(abc);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, CopyComparesShapeAndReshapesOnRequest)
{
    void* four = nullptr;
    void* five = nullptr;
    auto* from = static_cast<std::int32_t*>(ArrayCreate(4, 4, 11, nullptr, &four));
    for (int i = 0; i < 4; ++i)
        from[i] = 10 + i;
    ArrayCreate(4, 5, 11, nullptr, &five);
    const std::vector<unsigned char> before = Bytes(five, 20);

    EXPECT_EQ(ArrayCopy(four, five, 0), 0);
    EXPECT_EQ(Bytes(five, 20), before);

    EXPECT_EQ(ArrayCopy(four, five, 1), 1);
    EXPECT_EQ(ArrayHeaderOf(five)->count, 4);
    EXPECT_EQ(Bytes(five, 16), Bytes(four, 16));

    EXPECT_EQ(ArrayCopy(four, four, 1), 1);
    EXPECT_EQ(ArrayHeaderOf(four)->count, 4);
    EXPECT_EQ(ArrayCopy(nullptr, four, 0), 0);
    EXPECT_EQ(ArrayCopy(four, nullptr, 1), 0);

    void* wide = nullptr;
    ArrayCreate(8, 4, 11, nullptr, &wide); // same count, larger elements
    EXPECT_EQ(ArrayCopy(wide, four, 0), 0);
    void* tooSmall = nullptr;
    EXPECT_EQ(ArrayCreate(4, 4, 11, BranchDescriptor, &tooSmall), nullptr); // elements too small for the layout
    ArrayFree(four);
    ArrayFree(five);
    ArrayFree(wide);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, CopyRefusesArraysOfAnotherLayout)
{
    const DescriptorWord oneString[] = {0, DescriptorEnd};
    void* texts = nullptr;
    void* plain = nullptr;
    auto** from = static_cast<char**>(ArrayCreate(Word, 2, 11, oneString, &texts));
    StringAssign(&from[0], "x");
    ArrayCreate(Word, 2, 11, nullptr, &plain);
    EXPECT_EQ(ArrayCopy(texts, plain, 0), 0);
    EXPECT_EQ(static_cast<char**>(plain)[0], nullptr);
    ArrayFree(texts);
    ArrayFree(plain);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, CopyComparesLayoutsByContentNotByAddress)
{
    // A table defined in a header has a copy in every source file using it.
    const DescriptorWord leafAgain[] = {offsetof(Leaf, name), DescriptorEnd};
    const DescriptorWord idAsText[] = {offsetof(Leaf, id), DescriptorEnd};
    const DescriptorWord wrapped[] = {DescriptorNested, 0, sizeof(Leaf), DescriptorAddress(LeafDescriptor), DescriptorEnd};
    const DescriptorWord wrappedAgain[] = {DescriptorNested, 0, sizeof(Leaf), DescriptorAddress(leafAgain), DescriptorEnd};
    const DescriptorWord wrappedOther[] = {DescriptorNested, 0, sizeof(Leaf), DescriptorAddress(idAsText), DescriptorEnd};
    void* source = nullptr;
    void* same = nullptr;
    void* other = nullptr;
    auto* leaves = static_cast<Leaf*>(ArrayCreate(sizeof(Leaf), 1, 11, wrapped, &source));
    StringAssign(&leaves[0].name, "leaf");
    ArrayCreate(sizeof(Leaf), 1, 11, wrappedAgain, &same);
    ArrayCreate(sizeof(Leaf), 1, 11, wrappedOther, &other);
    EXPECT_EQ(ArrayCopy(source, same, 0), 1);
    EXPECT_STREQ(static_cast<Leaf*>(same)[0].name, "leaf");
    EXPECT_EQ(ArrayCopy(source, other, 0), 0);
    ArrayFree(source);
    ArrayFree(same);
    ArrayFree(other);
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, WhichDescriptorsHaveContainers)
{
    const DescriptorWord strings[] = {0, 8, DescriptorEnd};
    const DescriptorWord nestedArray[] = {DescriptorNested, 0, sizeof(Branch), DescriptorAddress(BranchDescriptor),
                                          DescriptorEnd};
    const DescriptorWord runOfStrings[] = {DescriptorRun, 3, 0, sizeof(Leaf), DescriptorAddress(LeafDescriptor),
                                           DescriptorEnd};
    const DescriptorWord runOfBranches[] = {DescriptorRun, 2, 0, sizeof(Branch), DescriptorAddress(BranchDescriptor),
                                            DescriptorEnd};
    const DescriptorWord second[] = {DescriptorSecondContainer, 0, 1, 2, 3, DescriptorEnd};
    const DescriptorWord third[] = {16, DescriptorThirdContainer, 24, 1, 2, 3, DescriptorEnd};
    struct Case {
        const DescriptorWord* descriptor;
        std::int32_t expected;
    };
    const Case cases[] = {{nullptr, 0},      {strings, 0},       {LeafDescriptor, 0}, {runOfStrings, 0},
                          {BranchDescriptor, 1}, {nestedArray, 1}, {runOfBranches, 1},  {second, 1},
                          {third, 1}};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(DescriptorHasContainers(cases[i].descriptor), cases[i].expected) << "case " << i;
}

TEST_F(ArraysTest, DescriptorsThatCannotBeFollowedAreRejected)
{
    const DescriptorWord secondContainer[] = {DescriptorSecondContainer, 0, 1, 2, 3, DescriptorEnd};
    const DescriptorWord thirdContainer[] = {DescriptorThirdContainer, 0, 1, 2, 3, DescriptorEnd};
    const DescriptorWord unknownCode[] = {-7, DescriptorEnd};
    const DescriptorWord pastTheElement[] = {64, DescriptorEnd};
    const DescriptorWord backwards[] = {Word, 0, DescriptorEnd};
    const DescriptorWord overlapping[] = {DescriptorNested, 0, 2 * Word, 0, Word, DescriptorEnd};
    const DescriptorWord negativeCount[] = {DescriptorRun, -1, 0, Word, 0, DescriptorEnd};
    static DescriptorWord cycle[5];
    const DescriptorWord cycleWords[] = {DescriptorNested, 0, 4 * Word, DescriptorAddress(cycle), DescriptorEnd};
    std::memcpy(cycle, cycleWords, sizeof cycle);

    const DescriptorWord* rejected[] = {secondContainer, thirdContainer, unknownCode,   pastTheElement,
                                        backwards,       overlapping,    negativeCount, cycle};
    for (std::size_t i = 0; i < std::size(rejected); ++i) {
        void* v = nullptr;
        ArrayCreate(4, 1, 11, nullptr, &v);
        EXPECT_EQ(ArrayCreate(static_cast<std::int32_t>(4 * Word), 2, 11, rejected[i], &v), nullptr) << "case " << i;
        EXPECT_EQ(v, nullptr);

        unsigned char structure[64];
        std::memset(structure, 0x33, sizeof structure);
        unsigned char source[64] = {};
        // Without a size, a member past the end cannot be told from a valid one.
        if (rejected[i] != pastTheElement) {
            StructureInit(structure, rejected[i]);
            StructureFree(structure, rejected[i]);
        }
        StructureCopy(structure, static_cast<std::int32_t>(4 * Word), rejected[i], source);
        EXPECT_EQ(Bytes(structure, sizeof structure), std::vector<unsigned char>(sizeof structure, 0x33))
            << "case " << i;
    }
    EXPECT_EQ(DescriptorHasContainers(cycle), 0); // and it ends
    ExpectEverythingReleased();
}

TEST_F(ArraysTest, MemberArraysThatContainThemselvesStopAtTheNestingLimit)
{
    static DescriptorWord self[7];
    const DescriptorWord selfWords[] = {DescriptorArray, 0, Word, 1, 11, DescriptorAddress(self), DescriptorEnd};
    std::memcpy(self, selfWords, sizeof self);
    void* v = nullptr;
    void* element0 = ArrayCreate(static_cast<std::int32_t>(Word), 1, 11, self, &v);
    ASSERT_NE(element0, nullptr);
    int depth = 0;
    for (void* array = element0; array; array = *static_cast<void**>(array))
        ++depth;
    EXPECT_EQ(depth, DescriptorMaxDepth);
    ArrayFree(v);
    ExpectEverythingReleased();
}

// Hooks a test installs for the container kinds no library fills.
struct HookCall {
    DescriptorWord words[5];
};
std::vector<HookCall> Creates;
std::vector<void*> Releases;
std::vector<std::pair<void*, void*>> Copies;
std::intptr_t NextValue = 0x1000;

void CreateRecorder(DescriptorWord a, DescriptorWord b, DescriptorWord c, DescriptorWord d, DescriptorWord e)
{
    Creates.push_back({{a, b, c, d, e}});
    // The member address is the second word for -5, the third for -6.
    const DescriptorWord member = (b > 0xFFFF) ? b : c;
    void* value = reinterpret_cast<void*>(NextValue++);
    std::memcpy(reinterpret_cast<void*>(member), &value, sizeof value);
}

std::int32_t CopyRecorder(void* source, void* destination, std::int32_t)
{
    Copies.emplace_back(source, destination);
    return 1;
}

void ReleaseRecorder(void* value) { Releases.push_back(value); }

TEST_F(ArraysTest, FilledHooksOfTheOtherContainerKindsAreCalledWithTheirShapes)
{
    Creates.clear();
    Releases.clear();
    Copies.clear();
    for (std::size_t kind : {1u, 2u}) {
        MemberHooks.create[kind] = CreateRecorder;
        MemberHooks.copy[kind] = CopyRecorder;
        MemberHooks.release[kind] = ReleaseRecorder;
    }
    const DescriptorWord descriptor[] = {DescriptorSecondContainer, 0, 7, 8, 9,
                                         DescriptorThirdContainer, 2 * Word, 4, 5, 6, DescriptorEnd};
    struct Record {
        void* second[2];
        void* third;
    };
    void* v = nullptr;
    auto* records = static_cast<Record*>(ArrayCreate(sizeof(Record), 1, 11, descriptor, &v));
    ASSERT_NE(records, nullptr);
    ASSERT_EQ(Creates.size(), 2u);
    const auto secondMember = reinterpret_cast<DescriptorWord>(&records[0].second);
    const auto thirdMember = reinterpret_cast<DescriptorWord>(&records[0].third);
    EXPECT_EQ(std::vector<DescriptorWord>(Creates[0].words, Creates[0].words + 5),
              (std::vector<DescriptorWord>{7, secondMember, 8, 9, 0}));
    EXPECT_EQ(std::vector<DescriptorWord>(Creates[1].words, Creates[1].words + 5),
              (std::vector<DescriptorWord>{4, 5, thirdMember, 6, 0}));

    Record copy{};
    StructureCopy(&copy, sizeof(Record), descriptor, &records[0]);
    ASSERT_EQ(Copies.size(), 2u);
    EXPECT_EQ(Copies[0], std::make_pair(records[0].second[0], copy.second[0]));
    EXPECT_EQ(Copies[1], std::make_pair(records[0].third, copy.third));

    const std::vector<void*> values = {records[0].second[0], records[0].third};
    ArrayFree(v);
    EXPECT_EQ(Releases, values);
}

} // namespace
