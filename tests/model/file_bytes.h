// Reading and writing whole files, and finding the blocks of an XM file, for the model tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline uint32_t LE16(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b.at(at) | (b.at(at + 1) << 8));
}
inline uint32_t LE32(const std::vector<uint8_t>& b, size_t at) {
    return LE16(b, at) | (LE16(b, at + 2) << 16);
}

// Offset of pattern p's header in an XM file of version 0x0104.
inline size_t XMPatternOffset(const std::vector<uint8_t>& b, int p) {
    size_t at = 60 + LE32(b, 60);
    for (int i = 0; i < p; ++i) at += LE32(b, at) + LE16(b, at + 7);
    return at;
}

// Offset of instrument i's header: after the patterns, each instrument followed by its sample
// headers and data.
inline size_t XMInstrumentOffset(const std::vector<uint8_t>& b, int i) {
    size_t at = XMPatternOffset(b, int(LE16(b, 70)));
    for (int k = 0; k < i; ++k) {
        const size_t size = LE32(b, at);
        const uint32_t samples = LE16(b, at + 27);
        size_t next = at + size;
        uint32_t data = 0;
        for (uint32_t s = 0; s < samples; ++s) {
            data += LE32(b, next);
            next += LE32(b, at + 29);
        }
        at = next + data;
    }
    return at;
}
