#include "window/event.h"
#include "window/window_layer.h"

#include "base/node_pool.h"
#include "base/state_block.h"

namespace {

struct EventNode {
    EventNode* next;
    QueuedEvent event;
};

struct EventQueueState {
    NodePool* pool;
    EventNode* head;
    EventNode* tail;
};

constexpr std::int32_t MinimumChunk = 16;
constexpr std::int32_t MaximumChunk = 256;

void* QueueBlock = nullptr;

EventQueueState& Queue() { return *static_cast<EventQueueState*>(StateBlockGet(QueueBlock)); }

void CreateQueue(void* block)
{
    auto& queue = *static_cast<EventQueueState*>(block);
    queue.pool = NodePoolCreate(sizeof(EventNode), MinimumChunk, MaximumChunk);
    // One node stays taken for good: the pool's first chunk then never
    // empties, so a queue that drains after every event does not allocate
    // and release a chunk each time.
    if (queue.pool)
        NodePoolTake(queue.pool);
}

void ReleaseQueue(void* block) { NodePoolDestroy(static_cast<EventQueueState*>(block)->pool); }

bool SameEvent(const QueuedEvent& a, const QueuedEvent& b)
{
    return a.code == b.code && a.object == b.object && a.window == b.window && a.kind == b.kind;
}

} // namespace

void EventQueueStart()
{
    if (!QueueBlock)
        QueueBlock = StateBlockCreate(sizeof(EventQueueState), CreateQueue, ReleaseQueue);
}

void EventPost(std::int32_t code, ObjectNumber object, ObjectNumber window, std::int32_t kind)
{
    if (!QueueBlock)
        return;
    EventQueueState& queue = Queue();
    const QueuedEvent event{code, object, window, kind};
    if (queue.tail && SameEvent(queue.tail->event, event))
        return;
    auto* node = queue.pool ? static_cast<EventNode*>(NodePoolTake(queue.pool)) : nullptr;
    if (!node)
        return;
    node->next = nullptr;
    node->event = event;
    if (queue.tail)
        queue.tail->next = node;
    else
        queue.head = node;
    queue.tail = node;
}

bool EventQueueTake(QueuedEvent& event)
{
    if (!QueueBlock)
        return false;
    EventQueueState& queue = Queue();
    EventNode* node = queue.head;
    if (!node)
        return false;
    event = node->event;
    queue.head = node->next;
    if (!queue.head)
        queue.tail = nullptr;
    NodePoolGive(queue.pool, node);
    return true;
}
