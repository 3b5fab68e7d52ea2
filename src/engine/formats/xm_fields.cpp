#include "engine/formats/xm_fields.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kEnvelopeOn = 1, kEnvelopeSustain = 2, kEnvelopeLoop = 4;

uint8_t SavedIndex(uint8_t stored) {
    return stored < kMaxEnvelopePoints ? stored : 0;
}

} // namespace

void CopyXMName(char (&out)[kNameSize], const char* in, size_t width) {
    std::memset(out, 0, kNameSize);
    for (size_t i = 0; i < width && i < kNameSize - 1 && in[i]; ++i) out[i] = in[i];
}

void FillXMEnvelope(EnvelopeRecord& envelope, const uint16_t* points, uint8_t count,
                    uint8_t sustain, uint8_t loopStart, uint8_t loopEnd, uint8_t type) {
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        envelope.points[i].tick = points[2 * i];
        envelope.points[i].value = int16_t(points[2 * i + 1]);
    }
    const uint8_t n = std::min<uint8_t>(count, kMaxEnvelopePoints);
    envelope.savedPointCount = n;
    envelope.savedSustain = SavedIndex(sustain);
    envelope.savedLoopStart = SavedIndex(loopStart);
    envelope.savedLoopEnd = SavedIndex(loopEnd);

    envelope.pointCount = (type & kEnvelopeOn) ? n : 0;
    const uint8_t last = n ? uint8_t(n - 1) : 0;
    envelope.sustainPoint =
        (type & kEnvelopeSustain) && n ? std::min(sustain, last) : kEnvelopeNone;
    if ((type & kEnvelopeLoop) && n) {
        envelope.loopEnd = std::min(loopEnd, last);
        envelope.loopStart = std::min(loopStart, envelope.loopEnd);
    } else {
        envelope.loopStart = kEnvelopeNone;
        envelope.loopEnd = kEnvelopeNone;
    }
}

void FillXMSampleFields(SampleRecord& sample, const XMSampleHeader& header) {
    CopyXMName(sample.name, header.name, sizeof header.name);
    sample.format = (header.type & kXMSample16Bit) ? kSampleFormat16 : kSampleFormat8;
    sample.volume = std::min<int>(header.volume, 64);
    sample.finetune = header.finetune; // signed
    sample.panning = header.panning;
    sample.relativeNote = header.relativeNote;
}

bool SetXMSampleLoop(SampleRecord& sample, const XMSampleHeader& header,
                     const XMSampleCoding& coding, size_t frames) {
    const uint64_t perFrame = coding.FileBytesPerFrame();
    const uint64_t start = std::min<uint64_t>(header.loopStart / perFrame, frames);
    const uint64_t end = std::min<uint64_t>(start + header.loopLength / perFrame, frames);
    uint8_t type = header.type & 3;
    const bool both = type == 3;
    if (both) type = kLoopForward;
    sample.loopType = end > start ? type : kLoopNone;
    sample.loopStart = int32_t(start);
    sample.loopEnd = int32_t(end);
    return !both;
}
