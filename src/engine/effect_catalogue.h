// The effect commands a pattern cell holds and how each maps to an XM effect.
#pragma once

#include <cstdint>

enum EffectCommand : uint8_t {
    kCmdNone = 0,
    kCmdArpeggio = 1,
    kCmdPortaUp = 2,
    kCmdPortaDown = 3,
    kCmdTonePorta = 4,
    kCmdVibrato = 5,
    kCmdTonePortaVolSlide = 6,
    kCmdVibratoVolSlide = 7,
    kCmdTremolo = 8,
    kCmdSetPanning = 9,
    kCmdSampleOffset = 10,
    kCmdVolumeSlide = 11,
    kCmdPositionJump = 12,
    kCmdSetVolume = 13,
    kCmdPatternBreak = 14,
    kCmdSetSpeed = 15,
    kCmdSetTempo = 16,
    kCmdFinePortaUp = 17,
    kCmdFinePortaDown = 18,
    kCmdPatternLoop = 19,
    kCmdSetPanning16 = 20,
    kCmdRetrig = 21,
    kCmdFineVolSlideUp = 22,
    kCmdFineVolSlideDown = 23,
    kCmdNoteCut = 24,
    kCmdNoteDelay = 25,
    kCmdPatternDelay = 26,
    kCmdSetGlobalVolume = 27,
    kCmdGlobalVolumeSlide = 28,
    kCmdMultiRetrig = 29,
    kCmdSync = 30,
    kCmdExtraFinePortaUp = 31,
    kCmdExtraFinePortaDown = 32,
    kCmdPanningSlide = 33,
    kCmdKeyOff = 34,
    kCmdSetEnvelopePosition = 35,
    kCmdTremor = 36,
    kCmdGlissando = 37,
    kCmdVibratoWaveform = 38,
    kCmdSetFinetune = 39,
    kCmdTremoloWaveform = 40,
    kCmdCoarsePanning = 41,
    kCmdAmigaFilter = 42,
    kCmdFunkRepeat = 43,
    kCmdFinePatternDelay = 44,
};

constexpr int kEffectCount = 45;

struct EffectInfo {
    const char* name;
    uint8_t xmEffect; // XM effect number
    uint8_t xmOr;     // sub-command value OR-ed into the parameter (XM effects 0x0E and 0x21)
};

const EffectInfo& EffectInfoOf(int command); // command below kEffectCount

// The command and parameter of a cell for an XM effect and parameter. XM effects with no
// command answer false (and the caller counts them as dropped); effect 0 with parameter 0 is
// no effect and answers true with command 0.
bool XMEffectToCommand(uint8_t effect, uint8_t param, uint8_t& command, uint8_t& commandParam);
