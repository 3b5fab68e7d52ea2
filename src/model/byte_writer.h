// Little-endian bytes appended to a growing buffer, for the file writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

class ByteWriter {
public:
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }
    size_t Size() const { return bytes_.size(); }
    void Reserve(size_t more) { bytes_.reserve(bytes_.size() + more); }

    void U8(uint32_t v) { bytes_.push_back(uint8_t(v)); }
    void U16(uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v);
        U16(v >> 16);
    }
    // Room for n more bytes, written by the caller through the pointer.
    uint8_t* Extend(size_t n) {
        bytes_.resize(bytes_.size() + n);
        return bytes_.data() + bytes_.size() - n;
    }
    void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void Raw(const void* data, size_t n) {
        if (n) std::memcpy(Extend(n), data, n);
    }
    void Text(std::string_view s) { Raw(s.data(), s.size()); }
    // A name field of `width` bytes: the text up to its terminator, cut to the width, then zeros.
    void Name(const char* field, size_t fieldSize, size_t width) {
        const size_t n = std::min(strnlen(field, fieldSize), width);
        Raw(field, n);
        Zeros(width - n);
    }
    // Overwrites a 16-bit value written earlier, once its size is known.
    void PatchU16(size_t at, uint32_t v) {
        bytes_[at] = uint8_t(v);
        bytes_[at + 1] = uint8_t(v >> 8);
    }

private:
    std::vector<uint8_t> bytes_;
};
