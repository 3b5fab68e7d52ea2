// The packed pattern form: per row, one entry per non-empty cell, then a zero byte that ends the
// row; one spare zero byte after the last row. An entry is the track number + 1 (1..32), a mask
// of the fields present, then those field bytes in cell order:
//   mask bit 0 note, 1 instrument, 2 volume, 3 command, 4 parameter, 5 the cell's library byte.
// The empty 64-row block is therefore 8 + 64 + 1 = 73 bytes.
#include "engine/engine_lock.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kEmptyCell[kCellSize] = {0, kNoteNone, kInstrumentNone, kVolumeNone, 0, 0};
// Mask bit for each cell byte, in the order the bytes follow the mask.
constexpr uint8_t kFieldBit[kCellSize] = {32, 1, 2, 4, 8, 16};
constexpr int kFieldOrder[kCellSize] = {kCellNote,    kCellInstrument, kCellVolume,
                                        kCellCommand, kCellParam,      kCellLib};

bool ValidPattern(const ModuleRecord* module, int pattern) {
    if (!module || pattern < 0 || pattern >= module->patternCount || pattern >= kMaxPatterns ||
        !module->patterns[pattern])
        return SNDfail(kSndErrArgument, "pattern " + std::to_string(pattern) + " does not exist");
    return true;
}

} // namespace

PatternRecord* PLYRnewEmptyPattern(int rows) {
    if (rows < 1 || rows > kMaxRows) {
        SNDfail(kSndErrArgument, "a pattern has 1 to 256 rows");
        return nullptr;
    }
    const size_t size = kPatternHeaderSize + size_t(rows) + 1;
    auto* pattern = static_cast<PatternRecord*>(PLYRmemAlloc(size));
    if (!pattern) return nullptr;
    pattern->word0 = uint32_t(size);
    pattern->rowCount = rows;
    return pattern;
}

namespace {

// The packed copy of an unpacked pattern, or null when out of memory.
PatternRecord* Packed(const PatternRecord* source) {
    const int tracks = int(source->word0 & 0xFF);
    const int rows = source->rowCount;
    const int stride = RowStride(tracks);
    std::vector<uint8_t> packed;
    packed.reserve(size_t(rows) * 8);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* row = source->data + size_t(r) * stride;
        for (int t = 0; t < tracks; ++t) {
            const uint8_t* cell = row + t * kCellSize;
            uint8_t mask = 0;
            for (int b = 0; b < kCellSize; ++b)
                if (cell[b] != kEmptyCell[b]) mask |= kFieldBit[b];
            if (!mask) continue;
            packed.push_back(uint8_t(t + 1));
            packed.push_back(mask);
            for (int b : kFieldOrder)
                if (mask & kFieldBit[b]) packed.push_back(cell[b]);
        }
        packed.push_back(0);
    }
    packed.push_back(0);

    const size_t size = kPatternHeaderSize + packed.size();
    auto* result = static_cast<PatternRecord*>(PLYRmemAlloc(size));
    if (!result) return nullptr;
    result->word0 = uint32_t(size);
    result->rowCount = rows;
    std::memcpy(result->data, packed.data(), packed.size());
    return result;
}

// The unpacked copy of a packed pattern with `tracks` tracks, or null with the error set.
PatternRecord* Unpacked(const PatternRecord* source, int tracks, int index) {
    const int rows = source->rowCount;
    const size_t blockSize = source->word0;
    if (rows < 1 || rows > kMaxRows || blockSize < kPatternHeaderSize)
        return SNDfail(kSndErrCorrupt, "pattern " + std::to_string(index) + " is corrupt"), nullptr;

    auto* result = static_cast<PatternRecord*>(PLYRmemAlloc(UnpackedPatternSize(tracks)));
    if (!result) return nullptr;
    result->word0 = kUnpackedTag | uint32_t(tracks);
    result->rowCount = rows;
    const int stride = RowStride(tracks);
    for (int r = 0; r < kMaxRows; ++r)
        for (int t = 0; t < tracks; ++t)
            std::memcpy(result->data + size_t(r) * stride + t * kCellSize, kEmptyCell, kCellSize);

    auto truncated = [&] {
        PLYRmemFree(result);
        SNDfail(kSndErrCorrupt, "pattern " + std::to_string(index) + " is truncated");
        return nullptr;
    };
    const uint8_t* p = source->data;
    const uint8_t* end = reinterpret_cast<const uint8_t*>(source) + blockSize;
    for (int r = 0; r < rows; ++r) {
        for (;;) {
            if (p >= end) return truncated();
            const uint8_t track = *p++;
            if (track == 0) break;
            if (p >= end) return truncated();
            const uint8_t mask = *p++;
            uint8_t cell[kCellSize];
            std::memcpy(cell, kEmptyCell, kCellSize);
            for (int b : kFieldOrder) {
                if (!(mask & kFieldBit[b])) continue;
                if (p >= end) return truncated();
                cell[b] = *p++;
            }
            // Cells of tracks beyond the channel count are dropped.
            if (track <= tracks)
                std::memcpy(result->data + size_t(r) * stride + (track - 1) * kCellSize, cell,
                            kCellSize);
        }
    }
    return result;
}

// Puts the new form in place. Only the calling side changes patterns, so the old form it was
// made from is still the one in place; the mixer never sees a half-made one.
void Swap(ModuleRecord* module, int index, PatternRecord* result) {
    PatternRecord* old;
    {
        EngineLock lock;
        old = module->patterns[index];
        module->patterns[index] = result;
    }
    PLYRmemFree(old);
}

} // namespace

// Both conversions work on a copy outside the engine lock and hold it only for the swap.
bool PLYRcompressPattern(ModuleRecord* module, int index) {
    if (!ValidPattern(module, index)) return false;
    const PatternRecord* source = module->patterns[index];
    if (!PatternIsUnpacked(source)) return true;
    PatternRecord* result = Packed(source);
    if (!result) return false;
    Swap(module, index, result);
    return true;
}

bool PLYRdecompressPattern(ModuleRecord* module, int index) {
    if (!ValidPattern(module, index)) return false;
    const PatternRecord* source = module->patterns[index];
    const int tracks = module->channelCount;
    if (PatternIsUnpacked(source)) return true;
    if (tracks < 1 || tracks > kMaxChannels)
        return SNDfail(kSndErrState, "the module's channel count is out of range");
    PatternRecord* result = Unpacked(source, tracks, index);
    if (!result) return false;
    Swap(module, index, result);
    return true;
}

bool PLYRdecompressAllPatterns(ModuleRecord* module) {
    const int count = std::min(module->patternCount, kMaxPatterns);
    for (int p = 0; p < count; ++p)
        if (module->patterns[p] && !PatternIsUnpacked(module->patterns[p]) &&
            !PLYRdecompressPattern(module, p))
            return false;
    return true;
}
