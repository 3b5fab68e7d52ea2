// XI instrument files: reading one completely into a checked, decoded form before anything of
// the instrument is touched, and writing an instrument in that layout.
#pragma once

#include "engine/records.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TInstrument;

struct XIBlockFree {
    void operator()(uint8_t* block) const;
};
using XIBlock = std::unique_ptr<uint8_t, XIBlockFree>; // a PLYRmemAlloc block

struct XISample {
    SampleRecord fields{}; // everything but the data pointer, loops in frames
    XIBlock data;
};

struct XIContents {
    char name[kNameSize]{};
    uint8_t keyboard[kNoteCount]{};
    EnvelopeRecord volume{}, panning{}; // record and kept values, as a load leaves them
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeOut = 0;
    std::vector<XISample> samples;
};

// Raises EInstrumentError "Instrument file appears to be corrupt." with the file name and the
// fault for anything short, wrong or inconsistent.
XIContents ParseXI(const uint8_t* data, size_t size, const std::string& fileName);

std::vector<uint8_t> EncodeXI(const TInstrument& instrument);
