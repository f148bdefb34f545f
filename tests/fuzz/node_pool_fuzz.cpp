// A node pool driven through random takes, gives and clears, against a model
// of its chunks that plays the pool's rules: which chunk and which slot each
// take must hand out (a given-back slot last-in first-out, else the chunk's
// next never-used slot, else a new chunk of a sixteenth of the pool within its
// limits), when a chunk moves between the open and the full list, and when it
// is released. Every payload handed out is filled with its own tag and must
// keep it until it is given back.

#include "base/heap.h"
#include "base/node_pool.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const char* Target = "node pool";
constexpr int MaxOperations = 1024;
constexpr std::size_t WordSize = sizeof(void*);

struct ModelChunk {
    NodeChunk* address;
    std::int32_t capacity;
    std::int32_t carved;
    std::vector<std::int32_t> freeSlots;  // the last one given back is handed out first
};

struct Held {
    void* payload;
    NodeChunk* chunk;
    std::int32_t index;
    std::uint8_t tag;
};

NodePool* Pool = nullptr;
std::int32_t PayloadSize = 0;
std::vector<ModelChunk> Chunks;
std::vector<NodeChunk*> Open;  // head first
std::vector<NodeChunk*> Full;  // head first
std::int32_t TotalSlots = 0;
std::vector<Held> Taken;

ModelChunk& ChunkAt(NodeChunk* address)
{
    auto found = std::find_if(Chunks.begin(), Chunks.end(), [&](const ModelChunk& c) { return c.address == address; });
    FuzzCheck(found != Chunks.end(), Target, "a slot names a chunk the pool does not have");
    return *found;
}

bool IsFull(const ModelChunk& chunk) { return chunk.freeSlots.empty() && chunk.carved >= chunk.capacity; }

void Unlink(std::vector<NodeChunk*>& list, NodeChunk* chunk) { list.erase(std::find(list.begin(), list.end(), chunk)); }

void PushFront(std::vector<NodeChunk*>& list, NodeChunk* chunk) { list.insert(list.begin(), chunk); }

void* PayloadAt(NodeChunk* chunk, std::int32_t index)
{
    return reinterpret_cast<unsigned char*>(chunk + 1) + static_cast<std::size_t>(index) * static_cast<std::size_t>(Pool->slotSize) + WordSize;
}

std::int32_t NewChunkCapacity()
{
    std::int32_t capacity = TotalSlots / 16 / 16 * 16;
    return std::clamp(capacity, Pool->minimumChunk, Pool->maximumChunk);
}

void Take(std::uint8_t tag)
{
    void* payload = NodePoolTake(Pool);
    FuzzCheck(payload != nullptr, Target, "a take failed");
    FuzzCheck(reinterpret_cast<std::uintptr_t>(payload) % WordSize == 0, Target, "a payload is not word-aligned");
    Held held{payload, nullptr, 0, tag};
    if (!Open.empty()) {
        ModelChunk& chunk = ChunkAt(Open.front());
        if (!chunk.freeSlots.empty()) {
            held.index = chunk.freeSlots.back();
            chunk.freeSlots.pop_back();
        } else {
            held.index = chunk.carved++;
        }
        held.chunk = chunk.address;
        if (IsFull(chunk)) {
            Unlink(Open, chunk.address);
            PushFront(Full, chunk.address);
        }
    } else {
        // A new chunk: learn its address from the slot's owner word.
        held.chunk = *reinterpret_cast<NodeChunk**>(static_cast<unsigned char*>(payload) - WordSize);
        FuzzCheck(std::none_of(Chunks.begin(), Chunks.end(), [&](const ModelChunk& c) { return c.address == held.chunk; }),
                  Target, "a new chunk overlaps one the pool still has");
        ModelChunk chunk{held.chunk, NewChunkCapacity(), 1, {}};
        FuzzCheck(held.chunk->capacity == chunk.capacity, Target, "a new chunk has another capacity than its rule gives");
        TotalSlots += chunk.capacity;
        PushFront(chunk.capacity > 1 ? Open : Full, chunk.address);
        Chunks.push_back(chunk);
    }
    FuzzCheck(payload == PayloadAt(held.chunk, held.index), Target, "a take handed out another slot than the rules say");
    std::memset(payload, tag, static_cast<std::size_t>(PayloadSize));
    Taken.push_back(held);
}

bool Intact(const Held& held)
{
    const auto* bytes = static_cast<const unsigned char*>(held.payload);
    return std::all_of(bytes, bytes + PayloadSize, [&](unsigned char b) { return b == held.tag; });
}

void Give(std::size_t which)
{
    Held held = Taken[which];
    Taken.erase(Taken.begin() + static_cast<std::ptrdiff_t>(which));
    FuzzCheck(Intact(held), Target, "a payload was overwritten while it was handed out");
    NodePoolGive(Pool, held.payload);
    ModelChunk& chunk = ChunkAt(held.chunk);
    bool wasFull = IsFull(chunk);
    chunk.freeSlots.push_back(held.index);
    if (static_cast<std::int32_t>(chunk.freeSlots.size()) == chunk.carved) {
        Unlink(wasFull ? Full : Open, chunk.address);
        TotalSlots -= chunk.capacity;
        Chunks.erase(Chunks.begin() + (&chunk - Chunks.data()));
    } else if (wasFull) {
        Unlink(Full, chunk.address);
        PushFront(Open, chunk.address);
    }
}

void CheckList(NodeChunk* head, const std::vector<NodeChunk*>& expected)
{
    NodeChunk* previous = nullptr;
    std::size_t i = 0;
    for (NodeChunk* chunk = head; chunk; previous = chunk, chunk = chunk->next, ++i) {
        FuzzCheck(i < expected.size() && chunk == expected[i], Target, "a chunk list differs from the model in order or content");
        FuzzCheck(chunk->previous == previous, Target, "a chunk's previous link is wrong");
        const ModelChunk& model = ChunkAt(chunk);
        FuzzCheck(chunk->capacity == model.capacity && chunk->carved == model.carved &&
                      chunk->freeCount == static_cast<std::int32_t>(model.freeSlots.size()),
                  Target, "a chunk's counts differ from the model");
    }
    FuzzCheck(i == expected.size(), Target, "a chunk list is shorter than the model's");
}

void CheckPool()
{
    CheckList(Pool->openChunks, Open);
    CheckList(Pool->fullChunks, Full);
    FuzzCheck(Pool->totalSlots == TotalSlots, Target, "total slots differ from the chunks' capacities");
    FuzzCheck(std::all_of(Taken.begin(), Taken.end(), Intact), Target, "a payload was overwritten while it was handed out");
    // The pool record and its chunks.
    FuzzCheck(HeapBlockCount(MainHeap) == 1 + Chunks.size(), Target, "the pool holds blocks its lists do not");
}

void ForgetEverything()
{
    Chunks.clear();
    Open.clear();
    Full.clear();
    Taken.clear();
    TotalSlots = 0;
}

void Clear()
{
    NodePoolClear(Pool);
    ForgetEverything();
}

} // namespace

void FuzzNodePool(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    HeapClose(MainHeap);
    MainHeap = HeapOpen();
    ForgetEverything();

    PayloadSize = input.Byte() % 48;
    std::int32_t minimumChunk = 1 + input.Byte() % 32;
    std::int32_t maximumChunk = minimumChunk + input.Byte() % 300;
    Pool = NodePoolCreate(PayloadSize, minimumChunk, maximumChunk);
    FuzzCheck(Pool != nullptr, Target, "a pool with usable limits was refused");
    const auto slotSize = (static_cast<std::size_t>(PayloadSize) + 2 * WordSize - 1) / WordSize * WordSize;
    FuzzCheck(static_cast<std::size_t>(Pool->slotSize) == slotSize, Target, "the slot size is not payload + owner word, rounded up");

    for (int i = 0; i < MaxOperations && !input.Exhausted(); ++i) {
        std::uint8_t operation = input.Byte();
        if (operation < 0x80 || Taken.empty())
            Take(operation);
        else if (operation < 0xFE)
            Give(input.Byte() % Taken.size());
        else
            Clear();
        if (i % 16 == 15)
            CheckPool();
    }
    CheckPool();
    while (!Taken.empty())
        Give(Taken.size() - 1);
    CheckPool();
    FuzzCheck(!Pool->openChunks && !Pool->fullChunks && Pool->totalSlots == 0, Target, "a pool with every slot back still holds chunks");
    NodePoolDestroy(Pool);
    Pool = nullptr;
    FuzzCheck(HeapBlockCount(MainHeap) == 0, Target, "destroying the pool left blocks behind");
}
