// How alike two renders sound: per-frame spectra and the loudness envelope.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

struct SimilarityScores {
    double spectral = 0;   // mean cosine similarity of magnitude spectra per ~46 ms frame
    double loudness = 0;   // closeness of the shapes of the 50 ms RMS envelopes
    double levelRatio = 0; // our RMS over theirs, over the whole render
};

// Both inputs are interleaved 16-bit stereo at `rate`, compared over their first `frames` frames
// (the song's length; the reference render runs a little past it), padded with silence.
SimilarityScores CompareRenders(const std::vector<int16_t>& ours,
                                const std::vector<int16_t>& theirs, int rate, size_t frames);

// The strongest frequency in Hz between `low` and `high` over frames [from, to) of interleaved
// stereo `pcm`: a coarse scan in 200 steps, then a fine one about the strongest.
double StrongestFrequency(const std::vector<int16_t>& pcm, int rate, size_t from, size_t to,
                          double low, double high);

// The reference render of a module by libopenmpt: linear interpolation, no Amiga resampler.
std::vector<int16_t> PeerRender(const std::filesystem::path& file, int rate);
// The same with every channel but `channel` muted.
std::vector<int16_t> PeerRenderChannel(const std::filesystem::path& file, int rate, int channel);
int PeerChannelCount(const std::filesystem::path& file);
// libopenmpt's idea of the song's length in seconds.
double PeerDuration(const std::filesystem::path& file);
