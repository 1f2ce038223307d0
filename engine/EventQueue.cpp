#include "EventQueue.h"

#include <cstddef>

EventQueue::EventQueue() noexcept : writeCursor(&slots[0]), readCursor(&slots[0]) {
    for (int i = 0; i < kCapacity; ++i) {
        slots[static_cast<std::size_t>(i)].next =
            &slots[static_cast<std::size_t>((i + 1) % kCapacity)];
    }
}

void EventQueue::clear() noexcept {
    for (EventSlot& slot : slots) {
        EventSlot* next = slot.next;
        slot = EventSlot{};
        slot.next = next;
    }
    writeCursor = &slots[0];
    readCursor = &slots[0];
}

int EventQueue::push(uint8_t status, uint8_t data1, uint8_t data2, int8_t detune,
                     int32_t time) noexcept {
    EventSlot* slot = writeCursor;
    if (slot->occupied) {
        return kFull;
    }
    slot->status = status;
    slot->data1 = data1;
    slot->data2 = data2;
    slot->detune = detune;
    slot->time = time;
    slot->occupied = true;
    writeCursor = slot->next;
    return 0;
}

int EventQueue::pop(EventSlot& event) noexcept {
    EventSlot* slot = readCursor;
    if (!slot->occupied) {
        return kEmpty;
    }
    event = *slot;
    event.next = nullptr;
    EventSlot* next = slot->next;
    *slot = EventSlot{};
    slot->next = next;
    readCursor = next;
    return 0;
}

int32_t EventQueue::peekTime() const noexcept {
    return readCursor->occupied ? readCursor->time : kNoEvent;
}
