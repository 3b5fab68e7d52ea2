#include "engine/formats/xm_sample_coding.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kADPCMTableSize = 16;

int16_t ReadInt16(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

// One channel of delta-coded data as signed values.
void DecodeDeltas(const uint8_t* src, size_t frames, bool is16, int32_t* out) {
    if (is16) {
        uint16_t acc = 0;
        for (size_t i = 0; i < frames; ++i) {
            acc = uint16_t(acc + uint16_t(ReadInt16(src + 2 * i)));
            out[i] = int16_t(acc);
        }
    } else {
        uint8_t acc = 0;
        for (size_t i = 0; i < frames; ++i) {
            acc = uint8_t(acc + src[i]);
            out[i] = int8_t(acc);
        }
    }
}

void Store(int32_t value, bool is16, uint8_t* out, size_t i) {
    if (is16) {
        const auto v = uint16_t(int16_t(value));
        out[2 * i] = uint8_t(v & 0xFF);
        out[2 * i + 1] = uint8_t(v >> 8);
    } else {
        out[i] = uint8_t(value + 128);
    }
}

} // namespace

XMSampleCoding::XMSampleCoding(const XMSampleHeader& header)
    : is16_((header.type & kXMSample16Bit) != 0), stereo_((header.type & kXMSampleStereo) != 0),
      length_(header.length) {
    // ADPCM packing exists for 8-bit mono data only; elsewhere the marker byte is noise.
    adpcm_ = header.reserved == kXMSampleADPCM && !is16_ && !stereo_;
}

size_t XMSampleCoding::FileBytes() const {
    if (adpcm_) return kADPCMTableSize + (size_t(length_) + 1) / 2;
    return length_;
}

uint32_t XMSampleCoding::FileBytesPerFrame() const {
    if (adpcm_) return 1;
    return uint32_t(BytesPerSample() * (stereo_ ? 2 : 1));
}

size_t XMSampleCoding::Frames() const {
    if (adpcm_) return length_;
    return length_ / FileBytesPerFrame();
}

size_t XMSampleCoding::DecodableFrames(size_t available) const {
    available = std::min(available, FileBytes());
    if (adpcm_) {
        if (available <= kADPCMTableSize) return 0;
        return std::min(Frames(), 2 * (available - kADPCMTableSize));
    }
    // Stereo data holds the left channel's half, then the right's; the left one decides.
    const size_t channelBytes = stereo_ ? length_ / 2 : length_;
    return std::min(Frames(), std::min(channelBytes, available) / BytesPerSample());
}

void XMSampleCoding::Decode(const uint8_t* src, size_t available, uint8_t* out) const {
    const size_t frames = DecodableFrames(available);
    if (frames == 0) return;
    if (adpcm_) {
        int8_t table[kADPCMTableSize];
        std::memcpy(table, src, kADPCMTableSize);
        const uint8_t* nibbles = src + kADPCMTableSize;
        uint8_t acc = 0;
        for (size_t i = 0; i < frames; ++i) {
            const uint8_t byte = nibbles[i / 2];
            const uint8_t nibble = (i & 1) ? uint8_t(byte >> 4) : uint8_t(byte & 0x0F);
            acc = uint8_t(acc + uint8_t(table[nibble]));
            out[i] = uint8_t(acc + 128);
        }
        return;
    }
    if (!stereo_) {
        // The common case, decoded straight into the record's form.
        if (is16_) {
            uint16_t acc = 0;
            for (size_t i = 0; i < 2 * frames; i += 2) {
                acc = uint16_t(acc + uint16_t(src[i] | (src[i + 1] << 8)));
                out[i] = uint8_t(acc & 0xFF);
                out[i + 1] = uint8_t(acc >> 8);
            }
        } else {
            uint8_t acc = 0;
            for (size_t i = 0; i < frames; ++i) {
                acc = uint8_t(acc + src[i]);
                out[i] = uint8_t(acc ^ 0x80);
            }
        }
        return;
    }
    std::vector<int32_t> left(frames);
    DecodeDeltas(src, frames, is16_, left.data());
    const size_t half = length_ / 2;
    const size_t rightFrames =
        available > half
            ? std::min(frames, (std::min(available, FileBytes()) - half) / size_t(BytesPerSample()))
            : 0;
    std::vector<int32_t> right(rightFrames);
    DecodeDeltas(src + half, rightFrames, is16_, right.data());
    // Where the file ends inside the right half, the left channel alone is kept.
    for (size_t i = 0; i < frames; ++i)
        Store(i < rightFrames ? (left[i] + right[i]) >> 1 : left[i], is16_, out, i);
}
