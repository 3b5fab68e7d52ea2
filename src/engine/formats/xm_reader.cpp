// The XM reader. Every count and length stored in the file is checked against the bytes that
// remain before anything is allocated from it, so a hostile header cannot make us allocate more
// than the file itself could fill.
//
// Layouts: from version 0x0104 the patterns come first, then each instrument with its sample
// headers and sample data. Versions 0x0102 and 0x0103 store all instruments with their sample
// headers first, then the patterns, then the data of every sample; 0x0102 also keeps a pattern's
// row count less one in a single byte.
#include "engine/formats/xm_reader.h"

#include "engine/effect_catalogue.h"
#include "engine/formats/byte_reader.h"
#include "engine/formats/play_behaviour.h"
#include "engine/formats/xm_cell.h"
#include "engine/formats/xm_fields.h"
#include "engine/formats/xm_headers.h"
#include "engine/formats/xm_sample_coding.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr char kSignature[] = "Extended Module: ";
constexpr size_t kSignatureSize = 17;
constexpr uint16_t kOldestVersion = 0x0102;
constexpr uint16_t kPatternsFirstVersion = 0x0104;
constexpr size_t kSongHeaderFixed = offsetof(XMSongHeader, orders);
// libopenmpt reads a stored row count of 0 as a 64-row pattern (libxmp as 256).
constexpr int kRowsWhenZero = 64;
constexpr uint32_t kDefaultSampleHeaderSize = sizeof(XMSampleHeader);
constexpr uint32_t kMaxSampleHeaderSize = 256;

struct PendingSample {
    SampleRecord* record; // null for a slot beyond the 16 kept: its data is only skipped
    XMSampleHeader header;
};

class XMReader {
public:
    XMReader(const uint8_t* data, size_t size, const std::string& fileName, XMLoadReport& report)
        : in_(data, size), fileName_(fileName), report_(report) {}

    ModuleRecord* Load() {
        module_ = static_cast<ModuleRecord*>(PLYRmemAlloc(sizeof(ModuleRecord)));
        if (!module_) return nullptr;
        if (ReadModule()) return module_;
        SNDfreeModule(module_);
        return nullptr;
    }

private:
    bool Fail(int32_t code, const std::string& what) {
        return SNDfail(code, fileName_ + ": " + what);
    }
    bool Corrupt(const std::string& what) { return Fail(kSndErrCorrupt, what); }

    bool ReadModule() {
        if (!ReadHeader()) return false;
        const bool read = version_ >= kPatternsFirstVersion
                              ? ReadPatterns() && ReadInstruments()
                              : ReadInstruments() && ReadPatterns() && ReadSampleData(deferred_);
        if (read) {
            ReadStoredSettings();
            DecidePlayBehaviour(*module_, stored_);
        }
        return read;
    }

    // The reference's editor appends tagged song fields ("STPM", then a 4-byte tag, a 2-byte
    // size and the value, repeated) after comments, plugins and instrument extras. Only the
    // fields that change how the file plays are kept: the compatible-play bit and the rest of
    // the reference's behaviour bits, the output level, and our own play flags; the block is
    // found by its tag, not walked to.
    void ReadStoredSettings() {
        constexpr uint8_t kTag[] = {'S', 'T', 'P', 'M'};
        const uint8_t* begin = in_.Here();
        const uint8_t* end = begin + in_.Remaining();
        const uint8_t* p = std::search(begin, end, std::begin(kTag), std::end(kTag));
        if (p == end) return;
        module_->flags |= kModuleFlagSettingsBlock;
        p += sizeof kTag;
        while (end - p >= 6) {
            uint32_t code;
            std::memcpy(&code, p, 4);
            const size_t size = size_t(p[4]) | size_t(p[5]) << 8;
            // Like the reference: stop at a tag that is not text or a field cut short.
            if ((code & 0x80808080) || !(code & 0x60606060) || size_t(end - p - 6) < size) break;
            ReadStoredField(p, p + 6, size);
            p += 6 + size;
        }
    }

    void ReadStoredField(const uint8_t* tag, const uint8_t* data, size_t size) {
        uint32_t value = 0;
        std::memcpy(&value, data, std::min<size_t>(size, 4));
        if (std::memcmp(tag, ".FSM", 4) == 0) {
            if (size > 0 && (data[0] & 1)) module_->flags |= kModuleFlagCompatiblePlay;
            stored_.referenceBytes = std::min(size, stored_.referenceBits.size());
            std::memcpy(stored_.referenceBits.data(), data, stored_.referenceBytes);
            module_->referenceBitBytes = uint8_t(stored_.referenceBytes);
            std::memcpy(module_->referenceBits, data, stored_.referenceBytes);
        } else if (std::memcmp(tag, ".MMP", 4) == 0)
            module_->storedMixMode = uint8_t(std::min<uint32_t>(value, 255) + 1);
        else if (std::memcmp(tag, ".APS", 4) == 0)
            module_->storedPreAmp = uint16_t(std::min<uint32_t>(value, 2000));
        else if (std::memcmp(tag, ".VGD", 4) == 0)
            module_->storedGlobalVolume = uint16_t(std::min<uint32_t>(value, 256) + 1);
        else if (std::memcmp(tag, "VWSL", 4) == 0)
            module_->referenceVersion = value;
        else if (std::memcmp(tag, "BPWC", 4) == 0 && size == 4) {
            stored_.oursStored = true;
            stored_.ours = value;
        }
    }

    bool ReadHeader() {
        XMFileIntro intro;
        if (!in_.Read(intro)) return Corrupt("the file is too short for an XM header");
        version_ = intro.version;
        if (version_ < kOldestVersion)
            return Corrupt("XM version " + Hex(version_) + " is older than this reader knows");

        uint32_t headerSize = 0;
        if (!in_.CanRead(sizeof headerSize)) return Corrupt("the module header is cut short");
        std::memcpy(&headerSize, in_.Here(), sizeof headerSize);
        if (headerSize < kSongHeaderFixed)
            return Corrupt("module header size " + std::to_string(headerSize) + " is too small");
        XMSongHeader song;
        if (!in_.ReadPartial(song, headerSize))
            return Corrupt("module header size " + std::to_string(headerSize) +
                           " runs past the end of the file");

        if (song.channels < 1 || song.channels > kMaxChannels)
            return Corrupt(std::to_string(song.channels) + " channels (1 to 32 allowed)");
        if (song.patterns > kMaxPatterns)
            return Corrupt(std::to_string(song.patterns) + " patterns (at most 256 allowed)");
        if (song.instruments > kMaxInstruments - 1)
            return Corrupt(std::to_string(song.instruments) + " instruments (at most 255 allowed)");
        if (song.songLength > kMaxPositions)
            return Corrupt("song length " + std::to_string(song.songLength) +
                           " (at most 256 allowed)");

        ModuleRecord& m = *module_;
        CopyXMName(m.name, intro.name, sizeof intro.name);
        m.moduleType = kModuleTypeXM;
        m.songLength = song.songLength;
        m.restartPosition = song.restartPosition < song.songLength ? song.restartPosition : 0;
        m.instrumentCount = song.instruments;
        m.patternCount = song.patterns;
        m.channelCount = uint8_t(song.channels);
        m.speed = uint8_t(std::min<uint16_t>(song.speed, 255));
        m.tempo = uint8_t(std::min<uint16_t>(song.bpm, 255));
        if (song.flags & 1) m.flags |= kModuleFlagLinear;
        // Only the order bytes the header really holds count; the rest stay zero.
        const size_t storedOrders = std::min<size_t>(headerSize - kSongHeaderFixed, 256);
        for (size_t i = 0; i < song.songLength && i < storedOrders; ++i)
            m.orders[i] = song.orders[i];
        std::memcpy(m.origin, "xm", 3);
        size_t trackerLength = sizeof intro.tracker;
        while (trackerLength && (intro.tracker[trackerLength - 1] == ' ' ||
                                 intro.tracker[trackerLength - 1] == '\0'))
            --trackerLength;
        std::memcpy(m.tracker, intro.tracker, trackerLength);
        m.fileVersion = version_;
        // Saved by the tracker itself from version 1.04 on, whose player ramps softly; its
        // clones write the same name but pad the song name with zeros, not spaces.
        const std::string_view ft2Name = "FastTracker v2.00   ";
        if (std::string_view(intro.tracker, sizeof intro.tracker) == ft2Name &&
            headerSize == sizeof(XMSongHeader) && version_ >= kPatternsFirstVersion &&
            std::memchr(intro.name, '\0', sizeof intro.name) == nullptr)
            stored_.signedByOriginal = true;
        return true;
    }

    bool ReadPatterns() {
        for (int p = 0; p < module_->patternCount; ++p)
            if (!ReadPattern(p)) return false;
        return true;
    }

    bool ReadPattern(int index) {
        const std::string what = "pattern " + std::to_string(index);
        const size_t start = in_.Position();
        uint32_t headerLength = 0;
        int rows = 0;
        uint16_t packedSize = 0;
        size_t fixedSize = 0;
        if (version_ == kOldestVersion) {
            XMPatternHeaderV102 header;
            if (!in_.Read(header)) return Corrupt(what + " header is cut short");
            headerLength = header.headerLength;
            rows = header.rowsLessOne + 1;
            packedSize = header.packedSize;
            fixedSize = sizeof header;
        } else {
            XMPatternHeader header;
            if (!in_.Read(header)) return Corrupt(what + " header is cut short");
            headerLength = header.headerLength;
            rows = header.rows;
            packedSize = header.packedSize;
            fixedSize = sizeof header;
        }
        // A header length shorter than its own fields cannot be honoured; the data follows them.
        if (!in_.Seek(start + std::max<size_t>(headerLength, fixedSize)))
            return Corrupt(what + " header length " + std::to_string(headerLength) +
                           " runs past the end of the file");
        if (!in_.CanRead(packedSize)) return Corrupt(what + " data is cut short");
        if (rows == 0) rows = kRowsWhenZero;
        const int kept = std::min(rows, kMaxRows);
        report_.droppedRows += uint32_t(rows - kept);

        PatternRecord* pattern = packedSize == 0 ? PLYRnewEmptyPattern(kept)
                                                 : PackPattern(in_.Here(), packedSize, rows, kept);
        if (!pattern) return false;
        module_->patterns[index] = pattern;
        in_.Skip(packedSize);
        return true;
    }

    // Translates XM's packed cells into the engine's packed form. Data that ends before the
    // last row leaves the remaining cells empty, as peers do. The engine holds 256 rows at most
    // (libopenmpt keeps up to 1024): rows beyond `kept` are read past and dropped.
    PatternRecord* PackPattern(const uint8_t* src, size_t size, int rows, int kept) {
        packed_.clear();
        const uint8_t* p = src;
        const uint8_t* end = src + size;
        const int channels = module_->channelCount;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < channels && p < end; ++c) {
                XMCell cell;
                p = UnpackXMCell(p, end, cell);
                if (r < kept) AppendCell(c, cell);
            }
            if (r < kept) packed_.push_back(0);
        }
        packed_.push_back(0);

        const size_t total = kPatternHeaderSize + packed_.size();
        auto* pattern = static_cast<PatternRecord*>(PLYRmemAlloc(total));
        if (!pattern) return nullptr;
        pattern->word0 = uint32_t(total);
        pattern->rowCount = kept;
        std::memcpy(pattern->data, packed_.data(), packed_.size());
        return pattern;
    }

    void AppendCell(int channel, const XMCell& cell) {
        const uint8_t(&fields)[XMCell::kFieldCount] = cell.fields;
        const uint8_t note = NoteFromXM(fields[XMCell::kNote]);
        const uint8_t instrument = InstrumentFromXM(fields[XMCell::kInstrument]);
        const uint8_t volume = VolumeFromXM(fields[XMCell::kVolume]);
        const uint8_t effect = fields[XMCell::kEffect];
        const uint8_t effectParam = fields[XMCell::kParam];
        uint8_t command = kCmdNone, param = 0;
        if ((effect || effectParam) && !XMEffectToCommand(effect, effectParam, command, param)) {
            ++report_.droppedEffects[effect];
            ++report_.droppedEffectTotal;
            command = kCmdNone;
            param = 0;
        }

        const uint8_t values[5] = {note, instrument, volume, command, param};
        constexpr uint8_t kEmpty[5] = {kNoteNone, kInstrumentNone, kVolumeNone, kCmdNone, 0};
        uint8_t mask = 0;
        for (int f = 0; f < 5; ++f)
            if (values[f] != kEmpty[f]) mask |= uint8_t(1 << f);
        if (!mask) return;
        packed_.push_back(uint8_t(channel + 1));
        packed_.push_back(mask);
        for (int f = 0; f < 5; ++f)
            if (mask & (1 << f)) packed_.push_back(values[f]);
    }

    bool ReadInstruments() {
        for (int i = 0; i < module_->instrumentCount; ++i) {
            InstrumentRecord* instrument = SNDallocInstrument();
            if (!instrument) return false;
            module_->instruments[i] = instrument;
            // Some converters promise more instruments than they write; like peers, the ones
            // after the end of the file are left empty.
            if (in_.Remaining() == 0) {
                ++report_.missingInstruments;
                continue;
            }
            if (!ReadInstrument(i, *instrument)) return false;
        }
        return true;
    }

    bool ReadInstrument(int index, InstrumentRecord& instrument) {
        const std::string what = "instrument " + std::to_string(index + 1);
        const size_t start = in_.Position();
        XMInstrumentHeader header;
        if (!in_.Read(header)) return Corrupt(what + " header is cut short");
        // Sizes below the common part are read as the common part alone.
        const size_t size = std::max<size_t>(header.size, sizeof header);
        if (size > in_.Size() - start)
            return Corrupt(what + " header size " + std::to_string(header.size) +
                           " runs past the end of the file");
        CopyXMName(instrument.name, header.name, sizeof header.name);
        XMInstrumentExtra extra;
        in_.ReadPartial(extra, header.sampleCount ? size - sizeof header : 0);
        in_.Seek(start + size);
        if (header.sampleCount == 0) return true;

        // A stored 0 (absent, or a header cut before it) means the usual 40 bytes; larger
        // headers are stepped over, smaller ones read as far as they go.
        const uint32_t sampleHeaderSize =
            extra.sampleHeaderSize ? extra.sampleHeaderSize : kDefaultSampleHeaderSize;
        if (sampleHeaderSize > kMaxSampleHeaderSize)
            return Corrupt(what + " sample header size " + std::to_string(sampleHeaderSize) +
                           " is not plausible");
        if (uint64_t(header.sampleCount) * sampleHeaderSize > in_.Remaining())
            return Corrupt(what + ": " + std::to_string(header.sampleCount) +
                           " sample headers run past the end of the file");

        for (int n = 0; n < kNoteCount; ++n)
            instrument.keyboardMap[n] = extra.keyboard[n] < kMaxSamples ? extra.keyboard[n] : 0;
        FillXMEnvelope(*instrument.volumeEnvelope, extra.volumePoints, extra.volumeCount,
                       extra.volumeSustain, extra.volumeLoopStart, extra.volumeLoopEnd,
                       extra.volumeType);
        FillXMEnvelope(*instrument.panningEnvelope, extra.panningPoints, extra.panningCount,
                       extra.panningSustain, extra.panningLoopStart, extra.panningLoopEnd,
                       extra.panningType);
        instrument.fadeOut = extra.fadeOut;
        instrument.vibratoType = extra.vibratoType;
        instrument.vibratoSweep = extra.vibratoSweep;
        instrument.vibratoDepth = extra.vibratoDepth;
        instrument.vibratoRate = extra.vibratoRate;

        const int kept = std::min<int>(header.sampleCount, kMaxSamples);
        report_.droppedSamples += uint32_t(header.sampleCount - kept);
        std::vector<PendingSample> pending;
        for (int s = 0; s < header.sampleCount; ++s) {
            PendingSample entry{nullptr, {}};
            in_.ReadPartial(entry.header, sampleHeaderSize);
            if (s < kept) {
                entry.record = SNDallocSample();
                if (!entry.record) return false;
                instrument.samples[s] = entry.record;
                instrument.sampleCount = s + 1;
                ++module_->sampleCount;
                FillXMSampleFields(*entry.record, entry.header);
            }
            pending.push_back(entry);
        }
        if (version_ >= kPatternsFirstVersion) return ReadSampleData(pending);
        deferred_.insert(deferred_.end(), pending.begin(), pending.end());
        return true;
    }

    // Sample data cut short by the end of the file keeps what is there, as peers do.
    bool ReadSampleData(const std::vector<PendingSample>& pending) {
        for (const PendingSample& entry : pending) {
            const XMSampleCoding coding(entry.header);
            const size_t fileBytes = coding.FileBytes();
            const size_t available = std::min(fileBytes, in_.Remaining());
            if (available < fileBytes) ++report_.truncatedSamples;
            if (entry.record && !StoreSample(*entry.record, entry.header, coding, available))
                return false;
            in_.SkipAtMost(fileBytes);
        }
        return true;
    }

    bool StoreSample(SampleRecord& sample, const XMSampleHeader& header,
                     const XMSampleCoding& coding, size_t available) {
        const size_t frames = coding.DecodableFrames(available);
        const size_t bytes = frames * size_t(coding.BytesPerSample());
        if (bytes > size_t(INT32_MAX))
            return Corrupt("sample \"" + std::string(sample.name) + "\" is too long");
        if (coding.IsADPCM()) ++report_.adpcmSamples;
        if (coding.IsStereo()) ++report_.stereoSamples;
        if (bytes) {
            sample.data = static_cast<uint8_t*>(PLYRmemAlloc(bytes));
            if (!sample.data) return false;
            coding.Decode(in_.Here(), available, sample.data);
        }
        sample.length = int32_t(bytes);

        // Both loop bits read as a forward loop; the report says so.
        if (!SetXMSampleLoop(sample, header, coding, frames)) ++report_.pingPongForwardLoops;
        return true;
    }

    static std::string Hex(uint16_t value) {
        static const char digits[] = "0123456789ABCDEF";
        std::string text = "0x";
        for (int shift = 12; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
        return text;
    }

    ByteReader in_;
    const std::string& fileName_;
    XMLoadReport& report_;
    ModuleRecord* module_ = nullptr;
    uint16_t version_ = 0;
    StoredPlaySettings stored_;
    std::vector<PendingSample> deferred_; // sample data that follows the patterns (old layout)
    std::vector<uint8_t> packed_;         // reused for every pattern
};

} // namespace

bool IsXMData(const uint8_t* data, size_t size) {
    return data && size >= kSignatureSize && std::memcmp(data, kSignature, kSignatureSize) == 0;
}

ModuleRecord* LoadXM(const uint8_t* data, size_t size, const std::string& fileName,
                     XMLoadReport* report) {
    XMLoadReport local;
    XMLoadReport& out = report ? *report : local;
    std::memset(&out, 0, sizeof out);
    if (!IsXMData(data, size)) {
        SNDfail(kSndErrFormat, fileName + ": not an XM module");
        return nullptr;
    }
    return XMReader(data, size, fileName, out).Load();
}
