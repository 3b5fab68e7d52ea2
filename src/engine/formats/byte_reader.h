// A cursor over a block of bytes held in memory. Every read is checked against the end of the
// block; a read that does not fit reads nothing and answers false, so loaders can stop at the
// first shortfall instead of trusting lengths stored in the file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Packed file structures are copied byte for byte, which is only right on little-endian hosts.
static_assert(std::endian::native == std::endian::little, "the file readers assume little-endian");

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    size_t Size() const { return size_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool CanRead(size_t bytes) const { return bytes <= Remaining(); }
    const uint8_t* Here() const { return data_ + pos_; }

    // Positions past the end are refused; the end itself is a valid position.
    bool Seek(size_t position) {
        if (position > size_) return false;
        pos_ = position;
        return true;
    }
    bool Skip(size_t bytes) {
        if (!CanRead(bytes)) return false;
        pos_ += bytes;
        return true;
    }
    // Moves to the end when fewer bytes remain; answers how many were skipped.
    size_t SkipAtMost(size_t bytes) {
        const size_t n = bytes < Remaining() ? bytes : Remaining();
        pos_ += n;
        return n;
    }

    bool ReadBytes(void* out, size_t bytes) {
        if (!CanRead(bytes)) return false;
        if (bytes) std::memcpy(out, data_ + pos_, bytes);
        pos_ += bytes;
        return true;
    }

    template <class T> bool Read(T& out) {
        static_assert(std::is_trivially_copyable_v<T>);
        return ReadBytes(&out, sizeof(T));
    }

    // Reads the first `stored` bytes of a structure whose file copy may be shorter or longer
    // than ours: missing fields are zero, extra bytes are skipped.
    template <class T> bool ReadPartial(T& out, size_t stored) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::memset(&out, 0, sizeof(T));
        if (!CanRead(stored)) return false;
        const size_t n = stored < sizeof(T) ? stored : sizeof(T);
        std::memcpy(&out, data_ + pos_, n);
        pos_ += stored;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};
