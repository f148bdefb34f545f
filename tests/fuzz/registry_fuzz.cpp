// A numbered-object registry driven through random allocations (numbers,
// AnyNumber, numbers that must be refused), lookups and releases of every
// kind of identifier (table numbers, live and released any-number identifiers,
// the capacity, negative and arbitrary values), changes of a record's first
// field, and enumerations that free objects as they are handed out, each
// checked against a model of the table and the any-number list. The kind's
// free routine is absent, kind-like, passive, or one that reaches the
// registry again and grows its table from inside RegistryAllocate.

#include "base/heap.h"
#include "base/registry.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr const char* Target = "registry";
constexpr int MaxOperations = 256;
constexpr std::int32_t LargestNestedCapacity = 20000;
constexpr std::size_t RememberedReleases = 16;

// As the model sees a record: its first field, and one value that fills every
// byte after it.
struct ModelRecord {
    std::uintptr_t handle = 0;
    std::uint8_t fill = 0;
};

struct AnyEntry {
    ObjectNumber identifier;
    ModelRecord record;
};

enum class FreeMode { None, KindLike, Passive, ReachesAgain, Count };

struct Model {
    std::int32_t recordSize = 0;
    std::int32_t growthStep = 0;
    std::vector<ModelRecord> table;  // capacity records
    std::vector<AnyEntry> any;       // oldest first
    std::int32_t enumerationIndex = 0;
    std::optional<ObjectNumber> cursor;  // the any-number object RegistryNext hands out next
};

ObjectRegistry* Registry = nullptr;
Model Expected;
FreeMode Mode = FreeMode::None;
std::vector<ObjectNumber> FreeCalls;
std::vector<ObjectNumber> Released;
bool InsideFreeRoutine = false;

std::int32_t Capacity() { return static_cast<std::int32_t>(Expected.table.size()); }

bool InTable(ObjectNumber identifier) { return identifier >= 0 && identifier < Capacity(); }

std::vector<AnyEntry>::iterator FindAny(ObjectNumber identifier)
{
    return std::find_if(Expected.any.begin(), Expected.any.end(), [&](const AnyEntry& e) { return e.identifier == identifier; });
}

unsigned char* TableRecord(ObjectNumber number)
{
    return Registry->table + static_cast<std::size_t>(number) * static_cast<std::size_t>(Expected.recordSize);
}

void WriteRecord(void* record, const ModelRecord& model)
{
    auto* bytes = static_cast<unsigned char*>(record);
    std::memset(bytes, model.fill, static_cast<std::size_t>(Expected.recordSize));
    std::memcpy(bytes, &model.handle, sizeof model.handle);
}

bool RecordHolds(const void* record, const ModelRecord& model)
{
    const auto* bytes = static_cast<const unsigned char*>(record);
    std::uintptr_t handle;
    std::memcpy(&handle, bytes, sizeof handle);
    if (handle != model.handle)
        return false;
    return std::all_of(bytes + sizeof handle, bytes + Expected.recordSize, [&](unsigned char b) { return b == model.fill; });
}

void ModelGrow(ObjectNumber number)
{
    if (number >= Capacity())
        Expected.table.resize(static_cast<std::size_t>(number + Expected.growthStep));
}

void ModelRelease(ObjectNumber identifier)
{
    if (InTable(identifier)) {
        Expected.table[static_cast<std::size_t>(identifier)] = ModelRecord{};
        return;
    }
    auto entry = FindAny(identifier);
    if (entry == Expected.any.end())
        return;
    if (Expected.cursor == identifier) {
        auto newer = entry + 1;
        Expected.cursor = newer == Expected.any.end() ? std::nullopt : std::optional(newer->identifier);
    }
    Expected.any.erase(entry);
    if (Released.size() == RememberedReleases)
        Released.erase(Released.begin());
    Released.push_back(identifier);
}

void ReleaseBoth(ObjectNumber identifier)
{
    RegistryRelease(Registry, identifier);
    ModelRelease(identifier);
}

// Allocates a number in both and fills the record as given.
void AllocateNumber(ObjectNumber number, const ModelRecord& record)
{
    ModelGrow(number);
    void* made = RegistryAllocate(Registry, number);
    FuzzCheck(made != nullptr, Target, "a number was refused");
    FuzzCheck(InTable(number) && made == TableRecord(number), Target, "the record for a number is not its table slot");
    FuzzCheck(Registry->capacity == Capacity(), Target, "the table grew to another capacity than number + growth step");
    FuzzCheck(RecordHolds(made, ModelRecord{}), Target, "the slot handed out for a number is not empty");
    WriteRecord(made, record);
    Expected.table[static_cast<std::size_t>(number)] = record;
}

// The kind's free routine: releases the object with that identifier when it
// is live. In the reaching mode it also creates another object, at a number
// beyond the table, before it returns.
void FreeObject(ObjectNumber identifier)
{
    FreeCalls.push_back(identifier);
    if (Mode == FreeMode::Passive || InsideFreeRoutine)
        return;
    if (!RegistryLookup(Registry, identifier))
        return;
    ReleaseBoth(identifier);
    if (Mode == FreeMode::ReachesAgain && Capacity() < LargestNestedCapacity) {
        InsideFreeRoutine = true;
        AllocateNumber(identifier + Capacity(), ModelRecord{0xBEEF, 0x5A});
        InsideFreeRoutine = false;
    }
}

ModelRecord RecordFrom(FuzzInput& input)
{
    std::uint8_t choice = input.Byte();
    // One record in eight gets its other fields set but stays free.
    std::uintptr_t handle = choice % 8 == 0 ? 0 : 0x1000u + choice;
    return ModelRecord{handle, input.Byte()};
}

ObjectNumber SmallNumber(FuzzInput& input)
{
    std::uint8_t choice = input.Byte();
    return choice < 0xF0 ? choice : input.Number<std::uint16_t>() % 4096;
}

void AllocateChosenNumber(FuzzInput& input)
{
    ObjectNumber number = SmallNumber(input);
    FreeCalls.clear();
    // A number grows the table first, then its old object is freed.
    ModelGrow(number);
    bool wasLive = Expected.table[static_cast<std::size_t>(number)].handle != 0;
    std::size_t nestedCalls = Mode == FreeMode::ReachesAgain && wasLive && Capacity() < LargestNestedCapacity ? 1 : 0;
    AllocateNumber(number, RecordFrom(input));
    std::size_t expectedCalls = Mode == FreeMode::None ? 0 : 1 + nestedCalls;
    FuzzCheck(FreeCalls.size() == expectedCalls && (expectedCalls == 0 || FreeCalls.front() == number), Target,
              "the free routine was not called once with the number");
}

void AllocateAnyNumber(FuzzInput& input)
{
    FreeCalls.clear();
    void* made = RegistryAllocate(Registry, AnyNumber);
    FuzzCheck(made != nullptr, Target, "an any-number record was refused");
    FuzzCheck(FreeCalls.empty(), Target, "AnyNumber called the free routine");
    auto identifier = reinterpret_cast<ObjectNumber>(made);
    FuzzCheck(!InTable(identifier), Target, "an any-number identifier lies inside the table's numbers");
    FuzzCheck(FindAny(identifier) == Expected.any.end(), Target, "two live any-number objects share an identifier");
    FuzzCheck(RecordHolds(made, ModelRecord{}), Target, "a new any-number record is not zero");
    ModelRecord record = RecordFrom(input);
    WriteRecord(made, record);
    Expected.any.push_back(AnyEntry{identifier, record});
    // An enumeration that still has any-number objects to hand out reaches
    // the new one too; one that is past them does not.
}

void AllocateRefusedNumber(FuzzInput& input)
{
    const ObjectNumber refused[] = {
        -2,
        -1000,
        INTPTR_MIN,
        INT32_MAX,
        INT32_MAX - Expected.growthStep + 1,
        static_cast<ObjectNumber>(static_cast<std::uintptr_t>(INTPTR_MAX) / 2),
    };
    ObjectNumber number = refused[input.Byte() % std::size(refused)];
    FreeCalls.clear();
    FuzzCheck(RegistryAllocate(Registry, number) == nullptr, Target, "a number that cannot be had was accepted");
    FuzzCheck(FreeCalls.empty(), Target, "a refused number called the free routine");
    FuzzCheck(Registry->capacity == Capacity(), Target, "a refused number changed the table");
}

// Every kind of identifier a caller might hand in, valid or not.
ObjectNumber PickIdentifier(FuzzInput& input)
{
    switch (input.Byte() % 6) {
    case 0: return input.Byte() % (Capacity() + 4);
    case 1:
        if (!Expected.any.empty())
            return Expected.any[input.Byte() % Expected.any.size()].identifier;
        return 0;
    case 2:
        if (!Released.empty())
            return Released[input.Byte() % Released.size()];
        return Capacity();
    case 3: return -1 - static_cast<ObjectNumber>(input.Byte());
    case 4: return Capacity();
    default: return input.Number<ObjectNumber>();
    }
}

ModelRecord* ModelFind(ObjectNumber identifier)
{
    if (InTable(identifier))
        return &Expected.table[static_cast<std::size_t>(identifier)];
    auto entry = FindAny(identifier);
    return entry == Expected.any.end() ? nullptr : &entry->record;
}

void* AddressOf(ObjectNumber identifier)
{
    return InTable(identifier) ? static_cast<void*>(TableRecord(identifier)) : reinterpret_cast<void*>(identifier);
}

void Lookup(FuzzInput& input)
{
    ObjectNumber identifier = PickIdentifier(input);
    const ModelRecord* record = ModelFind(identifier);
    void* found = RegistryLookup(Registry, identifier);
    if (!record || record->handle == 0) {
        FuzzCheck(found == nullptr, Target, "a lookup found an object that is not live");
        return;
    }
    FuzzCheck(found == AddressOf(identifier), Target, "a lookup missed a live object or found another record");
    FuzzCheck(RecordHolds(found, *record), Target, "a record's contents changed");
}

void SetFirstField(FuzzInput& input)
{
    ObjectNumber identifier = PickIdentifier(input);
    ModelRecord* record = ModelFind(identifier);
    if (!record)
        return;
    ModelRecord changed{input.Byte() % 2 == 0 ? 0 : 0x2000u + input.Byte(), record->fill};
    WriteRecord(AddressOf(identifier), changed);
    *record = changed;
}

void ModelBeginEnumeration()
{
    Expected.enumerationIndex = 0;
    Expected.cursor = Expected.any.empty() ? std::nullopt : std::optional(Expected.any.front().identifier);
}

std::optional<ObjectNumber> ModelNext()
{
    while (Expected.enumerationIndex >= 0 && Expected.enumerationIndex < Capacity()) {
        std::int32_t number = Expected.enumerationIndex++;
        if (Expected.table[static_cast<std::size_t>(number)].handle != 0)
            return number;
    }
    if (!Expected.cursor)
        return std::nullopt;
    ObjectNumber identifier = *Expected.cursor;
    auto newer = FindAny(identifier) + 1;
    Expected.cursor = newer == Expected.any.end() ? std::nullopt : std::optional(newer->identifier);
    return identifier;
}

// One step of an enumeration; the object handed out is freed at once when
// asked, as the libraries' end routines do.
bool EnumerateStep(bool freeEach)
{
    constexpr ObjectNumber untouched = -7;
    ObjectNumber identifier = untouched;
    void* record = RegistryNext(Registry, &identifier);
    std::optional<ObjectNumber> expected = ModelNext();
    if (!expected) {
        FuzzCheck(record == nullptr && identifier == untouched, Target, "the enumeration went on past its end");
        return false;
    }
    FuzzCheck(record != nullptr && identifier == *expected, Target, "the enumeration handed out another object");
    FuzzCheck(record == AddressOf(identifier), Target, "the enumeration handed out another record");
    if (freeEach)
        ReleaseBoth(identifier);
    return true;
}

void EnumerateAll(bool freeEach)
{
    RegistryBeginEnumeration(Registry);
    ModelBeginEnumeration();
    while (EnumerateStep(freeEach)) {
    }
}

void CheckWhole()
{
    FuzzCheck(Registry->capacity == Capacity(), Target, "the capacity differs from the model");
    for (std::int32_t n = 0; n < Capacity(); ++n)
        FuzzCheck(RecordHolds(TableRecord(n), Expected.table[static_cast<std::size_t>(n)]), Target,
                  "a table record differs from the model");
    for (const AnyEntry& entry : Expected.any)
        FuzzCheck(RecordHolds(reinterpret_cast<void*>(entry.identifier), entry.record), Target,
                  "an any-number record differs from the model");
    // The registry itself, its table, and one block per any-number object.
    FuzzCheck(HeapBlockCount(MainHeap) == 2 + Expected.any.size(), Target, "the registry holds blocks the model does not");
}

void RunOperation(FuzzInput& input)
{
    switch (input.Byte() % 10) {
    case 0:
    case 1: AllocateChosenNumber(input); break;
    case 2: AllocateAnyNumber(input); break;
    case 3: AllocateRefusedNumber(input); break;
    case 4: Lookup(input); break;
    case 5: ReleaseBoth(PickIdentifier(input)); break;
    case 6: SetFirstField(input); break;
    case 7:
        RegistryBeginEnumeration(Registry);
        ModelBeginEnumeration();
        break;
    case 8: EnumerateStep(input.Byte() % 2 == 0); break;
    case 9: EnumerateAll(input.Byte() % 2 == 0); break;
    }
}

} // namespace

void FuzzRegistry(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    HeapClose(MainHeap);
    MainHeap = HeapOpen();

    Expected = Model{};
    Expected.recordSize = static_cast<std::int32_t>(sizeof(std::uintptr_t)) + input.Byte() % 40;
    Expected.growthStep = 1 + input.Byte() % 48;
    Mode = static_cast<FreeMode>(input.Byte() % static_cast<std::uint8_t>(FreeMode::Count));
    Released.clear();
    InsideFreeRoutine = false;
    Registry = RegistryCreate(Expected.recordSize, Expected.growthStep, Mode == FreeMode::None ? nullptr : FreeObject);
    FuzzCheck(Registry != nullptr, Target, "a registry with usable sizes was refused");
    Expected.table.resize(static_cast<std::size_t>(Expected.growthStep));

    for (int i = 0; i < MaxOperations && !input.Exhausted(); ++i) {
        RunOperation(input);
        FuzzCheck(Registry->capacity == Capacity(), Target, "the capacity differs from the model");
        if (i % 32 == 31)
            CheckWhole();
    }
    CheckWhole();
    // The libraries' end: free everything while enumerating, then nothing is left.
    EnumerateAll(true);
    FuzzCheck(Expected.any.empty() && HeapBlockCount(MainHeap) == 2, Target, "freeing during enumeration left objects behind");
}
