// Fields that modules and instrument files store alike, taken into the records with every count
// and index kept in range rather than trusted.
#pragma once

#include "engine/formats/xm_headers.h"
#include "engine/formats/xm_sample_coding.h"
#include "engine/records.h"

#include <cstddef>
#include <cstdint>

// Copies a fixed-width, possibly unterminated name; the record's name always ends in a zero.
void CopyXMName(char (&out)[kNameSize], const char* in, size_t width);

// `points` holds twelve (tick, value) pairs; `type` the on/sustain/loop bits. A switched-off
// envelope keeps its stored count and indices in the saved* fields.
void FillXMEnvelope(EnvelopeRecord& envelope, const uint16_t* points, uint8_t count,
                    uint8_t sustain, uint8_t loopStart, uint8_t loopEnd, uint8_t type);

// Name, bit depth, volume, finetune, panning and relative note.
void FillXMSampleFields(SampleRecord& sample, const XMSampleHeader& header);

// The header counts loops in file bytes, the record in frames; loops are clamped into the
// `frames` kept. Returns false when both loop bits were set (read as a forward loop).
bool SetXMSampleLoop(SampleRecord& sample, const XMSampleHeader& header,
                     const XMSampleCoding& coding, size_t frames);
