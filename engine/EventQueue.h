#pragma once

#include <array>
#include <cstdint>

// One queued MIDI event: status with the channel bits cleared, two data bytes, the event's
// detune in cents and its sample position.
struct EventSlot {
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    int8_t detune = 0;
    int32_t time = 0;
    bool occupied = false;
    EventSlot* next = nullptr;
};

// A fixed ring of 128 event slots with a write and a read cursor. Pushing into a slot that is
// still occupied drops the event (answer 2); nothing ever allocates after construction.
class EventQueue {
public:
    static constexpr int kCapacity = 128;
    static constexpr int kFull = 2;
    static constexpr int kEmpty = 1;
    static constexpr int32_t kNoEvent = 2147483647;

    EventQueue() noexcept;
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Both cursors to slot 0, every slot emptied.
    void clear() noexcept;
    // 0, or 2 when the slot under the write cursor is still occupied.
    int push(uint8_t status, uint8_t data1, uint8_t data2, int8_t detune, int32_t time) noexcept;
    // 1 when empty; otherwise 0 with the event copied out, its slot emptied.
    int pop(EventSlot& event) noexcept;
    // The time of the oldest event, or 2147483647 when the queue is empty.
    int32_t peekTime() const noexcept;

private:
    std::array<EventSlot, kCapacity> slots;
    EventSlot* writeCursor;
    EventSlot* readCursor;
};
