// Encoding the song, its instruments and samples in the XM layout (version 0x0104).
#pragma once

#include "model/byte_writer.h"

#include <cstdint>
#include <vector>

class TSong;
class TInstrument;

// The whole file as it is stored; raises ESongError when a cell cannot be stored in XM.
std::vector<uint8_t> EncodeXM(const TSong& song);

// The parts an XI file shares with the XM instrument block.
// Keyboard map, both envelopes, vibrato and fade-out (XM instrument offsets 33..240).
void WriteInstrumentSettings(ByteWriter& out, const TInstrument& instrument);
// The 40-byte sample headers of every slot, then the delta-coded data of every slot.
void WriteSampleHeaders(ByteWriter& out, const TInstrument& instrument);
void WriteSampleData(ByteWriter& out, const TInstrument& instrument);
