// How an XM sample's data is coded in the file, and its decoding to the records' memory form
// (8-bit unsigned, value + 128; 16-bit signed). Stereo data is mixed down to mono.
#pragma once

#include "engine/formats/xm_headers.h"

#include <cstddef>
#include <cstdint>

class XMSampleCoding {
public:
    explicit XMSampleCoding(const XMSampleHeader& header);

    bool Is16Bit() const { return is16_; }
    bool IsStereo() const { return stereo_; }
    bool IsADPCM() const { return adpcm_; }
    int BytesPerSample() const { return is16_ ? 2 : 1; }

    // Bytes the data takes in the file; the next sample's data starts after them.
    size_t FileBytes() const;
    // File bytes per frame: what the header's loop start and length are counted in.
    uint32_t FileBytesPerFrame() const;
    // Frames the complete data holds.
    size_t Frames() const;
    // Frames that can be decoded from the first `available` file bytes.
    size_t DecodableFrames(size_t available) const;

    // Decodes DecodableFrames(available) frames into `out`, which holds that many samples.
    void Decode(const uint8_t* src, size_t available, uint8_t* out) const;

private:
    bool is16_;
    bool stereo_;
    bool adpcm_;
    uint32_t length_; // the header's length field
};
