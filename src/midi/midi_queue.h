// The queue between the MIDI service's thread and the interface thread: one writer, one reader,
// no lock and no allocation once made. System-exclusive messages travel in buffers of a fixed
// pool that the reader hands back after copying them out.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct TMidiQueueEntry {
    uint32_t timestamp = 0; // ms since the device was opened
    uint32_t message = 0;   // status in the low byte, then the two data bytes
    int16_t sysex = -1;     // buffer of the pool holding a system-exclusive message, or -1
    uint16_t sysexSize = 0; // bytes recorded in it
};

// A ring of fixed capacity; the writer and the reader each own their index, and the count is
// shared.
template <class T> class TSpscRing {
public:
    explicit TSpscRing(size_t capacity) : slots_(capacity) {}

    size_t Capacity() const { return slots_.size(); }
    size_t Count() const { return count_.load(std::memory_order_acquire); }

    // Writer side; false when full.
    bool Push(const T& value) {
        if (Count() == slots_.size()) return false;
        slots_[write_] = value;
        write_ = (write_ + 1) % slots_.size();
        count_.fetch_add(1, std::memory_order_release);
        return true;
    }
    // Reader side; false when empty.
    bool Pop(T& value) {
        if (Count() == 0) return false;
        value = slots_[read_];
        read_ = (read_ + 1) % slots_.size();
        count_.fetch_sub(1, std::memory_order_release);
        return true;
    }

private:
    std::vector<T> slots_;
    size_t write_ = 0;
    size_t read_ = 0;
    std::atomic<size_t> count_{0};
};

class TMidiQueue {
public:
    TMidiQueue(size_t capacity, size_t sysexBufferSize, size_t sysexBufferCount);

    size_t Capacity() const { return entries_.Capacity(); }
    size_t PendingCount() const { return entries_.Count(); }

    // Writer side. False when the message is lost because the queue (or, for a
    // system-exclusive message, every buffer) is full; what is queued already stays.
    bool PushShort(uint32_t timestamp, uint32_t message);
    bool PushSysex(uint32_t timestamp, const uint8_t* bytes, size_t size);

    // Reader side: the oldest entry; a system-exclusive message's bytes are copied into `sysex`
    // and its buffer goes back to the pool.
    bool Pop(TMidiQueueEntry& entry, std::vector<uint8_t>& sysex);

private:
    TSpscRing<TMidiQueueEntry> entries_;
    size_t sysexBufferSize_;
    std::vector<uint8_t> sysexData_;
    // Buffers the writer may fill: the reader returns them here.
    TSpscRing<int16_t> freeBuffers_;
};
