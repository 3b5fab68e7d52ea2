// Parts of an imported instrument that need nothing but their own libxmp record.
#pragma once

#include "engine/records.h"

#include <cstdint>

struct xmp_envelope;

// Converts an envelope; `centred` for Impulse Tracker panning envelopes, which run -32..32
// around the centre where XM's run 0..64. Points past XM's 12 and sustain loops are counted.
void ConvertEnvelope(const xmp_envelope& source, EnvelopeRecord& target, bool centred,
                     uint32_t (&lost)[kLossCount]);

// Impulse Tracker fades a released note out when its instrument's volume envelope is off,
// where the XM tracker cuts it. A level envelope held at its first point fades it in XM.
void HoldUntilReleased(EnvelopeRecord& e);

// "Lead (pan 20)": the name of an instrument copied to start at panning `pan`, the source's
// name cut short to leave room for it within XM's 22 characters.
void NamePannedCopy(char (&name)[kNameSize], int pan);
// "Bass (A#6)": a copy of a sample tuned for the notes the keyboard plays it at, named by the
// lowest.
void NameTunedCopy(char (&name)[kNameSize], int note);
