#include "midi/midi_queue.h"

#include <algorithm>
#include <cstring>

TMidiQueue::TMidiQueue(size_t capacity, size_t sysexBufferSize, size_t sysexBufferCount)
    : entries_(std::max<size_t>(capacity, 1)), sysexBufferSize_(sysexBufferSize),
      sysexData_(sysexBufferSize * sysexBufferCount),
      freeBuffers_(std::max<size_t>(sysexBufferCount, 1)) {
    if (sysexBufferSize == 0) return;
    for (size_t i = 0; i < sysexBufferCount && i < 32767; ++i) freeBuffers_.Push(int16_t(i));
}

bool TMidiQueue::PushShort(uint32_t timestamp, uint32_t message) {
    return entries_.Push(TMidiQueueEntry{timestamp, message, -1, 0});
}

bool TMidiQueue::PushSysex(uint32_t timestamp, const uint8_t* bytes, size_t size) {
    // A full queue must not swallow a buffer: check before taking one.
    if (entries_.Count() == entries_.Capacity()) return false;
    int16_t buffer = -1;
    if (!freeBuffers_.Pop(buffer)) return false;
    const size_t kept = std::min({size, sysexBufferSize_, size_t(UINT16_MAX)});
    std::memcpy(sysexData_.data() + size_t(buffer) * sysexBufferSize_, bytes, kept);
    return entries_.Push(TMidiQueueEntry{timestamp, 0xF0, buffer, uint16_t(kept)});
}

bool TMidiQueue::Pop(TMidiQueueEntry& entry, std::vector<uint8_t>& sysex) {
    sysex.clear();
    if (!entries_.Pop(entry)) return false;
    if (entry.sysex >= 0) {
        const uint8_t* data = sysexData_.data() + size_t(entry.sysex) * sysexBufferSize_;
        sysex.assign(data, data + entry.sysexSize);
        freeBuffers_.Push(entry.sysex);
    }
    return true;
}
