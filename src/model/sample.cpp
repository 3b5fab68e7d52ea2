#include "model/sample.h"

#include "engine/field_access.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/names.h"
#include "model/song.h"

#include <algorithm>
#include <cstring>

TSample::TSample(TInstrument* instrument, int number, SampleRecord* record)
    : instrument_(instrument), number_(number), record_(record) {
    CW_ASSERT(record);
}

std::string TSample::Name() const {
    return ReadName(record_->name);
}
void TSample::SetName(const std::string& name) {
    WriteName(record_->name, name);
}

void TSample::SetVolume(int volume) {
    FieldStore(record_->volume, volume);
}
void TSample::SetBaseNote(int note) {
    FieldStore(record_->relativeNote, note - 48);
}
void TSample::SetPanning(int panning) {
    FieldStore(record_->panning, panning + 128);
}
void TSample::SetFineTune(int finetune) {
    FieldStore(record_->finetune, finetune);
}

void TSample::SetBits(int bits) {
    CW_ASSERT(bits == 8 || bits == 16);
    FieldStore(record_->format, bits == 16 ? kSampleFormat16 : kSampleFormat8);
    Changed();
}

void TSample::SetLoopStart(int frame) {
    FieldStore(record_->loopStart, frame);
    Changed();
}

void TSample::SetLoopEnd(int frame) {
    FieldStore(record_->loopEnd, frame);
    Changed();
}

void TSample::SetLoopType(int type) {
    CW_ASSERT(type >= 0 && type <= 2);
    FieldStore(record_->loopType, type);
    Changed();
}

int TSample::Values(int frame) const {
    CW_ASSERT(frame >= 0 && frame < Length() && record_->data);
    if (Bits() == 16) {
        int16_t v;
        std::memcpy(&v, record_->data + size_t(frame) * 2, 2);
        return v;
    }
    return int(record_->data[frame]) - 128;
}

void TSample::SetValues(int frame, int value) {
    CW_ASSERT(frame >= 0 && frame < Length() && record_->data);
    if (Bits() == 16) {
        // Aligned by the allocator, so the frame can be stored as one atomic 16-bit write.
        auto* frames = reinterpret_cast<int16_t*>(record_->data);
        FieldStore(frames[frame], std::clamp(value, -32767, 32767));
    } else {
        FieldStore(record_->data[frame], std::clamp(value + 128, 0, 255));
    }
}

void TSample::Changed() {
    CW_ASSERT(instrument_);
    instrument_->Song()->ResetSample(instrument_->Number(), number_);
}

void TSample::PlayNote(uint8_t note, int from, int to) {
    CW_ASSERT(instrument_);
    if (PreviewChannel != -1) StopNote();
    PreviewChannel =
        instrument_->Song()->PlaySampleNote(instrument_->Number(), number_, note, from, to);
}

void TSample::StopNote() {
    if (PreviewChannel == -1) return;
    instrument_->Song()->StopNote(PreviewChannel);
    PreviewChannel = -1;
}
