#include "model/xi_file.h"

#include "engine/formats/byte_reader.h"
#include "engine/formats/xm_fields.h"
#include "engine/formats/xm_headers.h"
#include "engine/formats/xm_sample_coding.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/xm_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kIdentifier[] = "Extended Instrument: ";
constexpr size_t kIdentifierSize = 21;
constexpr char kTrackerName[] = "Cantorwright 0.1a   ";
constexpr uint16_t kVersion = 0x0102;

#pragma pack(push, 1)
struct XIHeader {
    char id[21];
    char name[22];
    uint8_t marker;
    char tracker[20];
    uint16_t version;
    uint8_t keyboard[96];
    uint16_t volumePoints[24];
    uint16_t panningPoints[24];
    uint8_t volumeCount, panningCount;
    uint8_t volumeSustain, volumeLoopStart, volumeLoopEnd;
    uint8_t panningSustain, panningLoopStart, panningLoopEnd;
    uint8_t volumeType, panningType;
    uint8_t vibratoType, vibratoSweep, vibratoDepth, vibratoRate;
    uint16_t fadeOut;
    uint8_t reserved[22];
    uint16_t sampleCount;
};
#pragma pack(pop)
static_assert(sizeof(XIHeader) == 298);

[[noreturn]] void Corrupt(const std::string& fileName, const std::string& what) {
    throw EInstrumentError("Instrument file appears to be corrupt. (" + fileName + ": " + what +
                           ")");
}

} // namespace

void XIBlockFree::operator()(uint8_t* block) const {
    PLYRmemFree(block);
}

XIContents ParseXI(const uint8_t* data, size_t size, const std::string& fileName) {
    ByteReader in(data, size);
    XIHeader h;
    if (!in.Read(h)) Corrupt(fileName, "the header is cut short");
    if (std::memcmp(h.id, kIdentifier, kIdentifierSize) != 0)
        Corrupt(fileName, "it does not start with \"Extended Instrument: \"");
    if (h.marker != 0x1A) Corrupt(fileName, "the marker after the name is not 0x1A");
    if (h.version != kVersion) {
        char version[8];
        std::snprintf(version, sizeof version, "%04X", unsigned(h.version));
        Corrupt(fileName, std::string("version 0x") + version + " is not 0x0102");
    }
    if (h.sampleCount > kMaxSamples)
        Corrupt(fileName, std::to_string(h.sampleCount) + " samples (at most 16)");

    XIContents xi;
    CopyXMName(xi.name, h.name, sizeof h.name);
    for (int n = 0; n < kNoteCount; ++n)
        xi.keyboard[n] = h.keyboard[n] < kMaxSamples ? h.keyboard[n] : 0;
    FillXMEnvelope(xi.volume, h.volumePoints, h.volumeCount, h.volumeSustain, h.volumeLoopStart,
                   h.volumeLoopEnd, h.volumeType);
    FillXMEnvelope(xi.panning, h.panningPoints, h.panningCount, h.panningSustain,
                   h.panningLoopStart, h.panningLoopEnd, h.panningType);
    xi.vibratoType = h.vibratoType;
    xi.vibratoSweep = h.vibratoSweep;
    xi.vibratoDepth = h.vibratoDepth;
    xi.vibratoRate = h.vibratoRate;
    xi.fadeOut = h.fadeOut;

    std::vector<XMSampleHeader> headers(h.sampleCount);
    for (XMSampleHeader& header : headers)
        if (!in.Read(header)) Corrupt(fileName, "the sample headers are cut short");

    for (size_t s = 0; s < headers.size(); ++s) {
        const XMSampleHeader& header = headers[s];
        const XMSampleCoding coding(header);
        const size_t fileBytes = coding.FileBytes();
        if (!in.CanRead(fileBytes))
            Corrupt(fileName, "the data of sample " + std::to_string(s + 1) + " is cut short");
        const size_t frames = coding.DecodableFrames(fileBytes);
        const size_t bytes = frames * size_t(coding.BytesPerSample());
        if (bytes > size_t(INT32_MAX))
            Corrupt(fileName, "sample " + std::to_string(s + 1) + " is too long");

        XISample sample;
        SampleRecord& r = sample.fields;
        FillXMSampleFields(r, header);
        r.length = int32_t(bytes);
        SetXMSampleLoop(r, header, coding, frames);
        if (bytes) {
            sample.data.reset(static_cast<uint8_t*>(PLYRmemAlloc(bytes)));
            if (!sample.data)
                throw EInstrumentError(fileName + ": not enough memory for sample " +
                                       std::to_string(s + 1));
            coding.Decode(in.Here(), fileBytes, sample.data.get());
        }
        in.Skip(fileBytes);
        xi.samples.push_back(std::move(sample));
    }
    return xi;
}

std::vector<uint8_t> EncodeXI(const TInstrument& instrument) {
    ByteWriter out;
    out.Text(kIdentifier);
    out.Name(instrument.Record()->name, kNameSize, 22);
    out.U8(0x1A);
    out.Text(kTrackerName);
    out.U16(kVersion);
    WriteInstrumentSettings(out, instrument);
    out.Zeros(22);
    out.U16(uint32_t(instrument.SampleCount()));
    WriteSampleHeaders(out, instrument);
    WriteSampleData(out, instrument);
    return out.Take();
}
