#include "audio_compare.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <memory>
#include <numbers>
#include <numeric>

namespace {

constexpr int kFrame = 2048; // ~46 ms at 44.1 kHz
// RMS below -50 dBFS counts as silence: the modules built to stay quiet leave residues of
// interpolation and ramping around -55 dBFS that differ between any two players.
constexpr double kSilence = 0.00316;

void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / double(len);
        const std::complex<double> unit(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= unit;
            }
        }
    }
}

// Magnitudes of both channels of one frame, and the frame's RMS.
std::vector<double> Spectrum(const std::vector<int16_t>& pcm, size_t frame, double& rms) {
    std::vector<double> mags;
    mags.reserve(kFrame);
    double energy = 0;
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<std::complex<double>> buf(kFrame);
        for (int i = 0; i < kFrame; ++i) {
            const size_t idx = (frame * kFrame + size_t(i)) * 2 + size_t(channel);
            const double s = idx < pcm.size() ? pcm[idx] / 32768.0 : 0.0;
            energy += s * s;
            const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (kFrame - 1));
            buf[size_t(i)] = s * window;
        }
        Fft(buf);
        for (int k = 0; k < kFrame / 2; ++k) mags.push_back(std::abs(buf[size_t(k)]));
    }
    rms = std::sqrt(energy / (2.0 * kFrame));
    return mags;
}

std::vector<double> RmsEnvelope(const std::vector<int16_t>& pcm, size_t frames, int window) {
    std::vector<double> env;
    for (size_t start = 0; start < frames; start += size_t(window)) {
        double energy = 0;
        for (size_t i = start; i < start + size_t(window); ++i) {
            for (size_t c = 0; c < 2; ++c) {
                const size_t idx = i * 2 + c;
                const double s = idx < pcm.size() ? pcm[idx] / 32768.0 : 0.0;
                energy += s * s;
            }
        }
        env.push_back(std::sqrt(energy / (2.0 * window)));
    }
    return env;
}

double Mean(const std::vector<double>& v) {
    return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

} // namespace

double StrongestFrequency(const std::vector<int16_t>& pcm, int rate, size_t from, size_t to,
                          double low, double high) {
    auto strength = [&](double hz) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
        std::complex<double> turn = 1, sum = 0;
        for (size_t i = from; i < to && 2 * i + 1 < pcm.size(); ++i) {
            const double window =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i - from) / double(to - from));
            sum += double(pcm[2 * i] + pcm[2 * i + 1]) * window * turn;
            turn *= step;
        }
        return std::abs(sum);
    };
    auto strongest = [&](double a, double b, double step) {
        double best = 0, at = a;
        for (double hz = a; hz <= b; hz += step)
            if (const double s = strength(hz); s > best) best = s, at = hz;
        return at;
    };
    const double coarseStep = (high - low) / 200;
    const double coarse = strongest(low, high, coarseStep);
    return strongest(coarse - coarseStep, coarse + coarseStep, coarseStep / 50);
}

SimilarityScores CompareRenders(const std::vector<int16_t>& oursIn,
                                const std::vector<int16_t>& theirsIn, int rate, size_t frames) {
    SimilarityScores scores;
    const auto cut = [frames](const std::vector<int16_t>& pcm) {
        return std::vector<int16_t>(pcm.begin(),
                                    pcm.begin() + std::ptrdiff_t(std::min(pcm.size(), frames * 2)));
    };
    const std::vector<int16_t> ours = cut(oursIn), theirs = cut(theirsIn);
    const size_t spectra = (frames + kFrame - 1) / kFrame;
    double sum = 0;
    for (size_t f = 0; f < spectra; ++f) {
        double rmsA, rmsB;
        const std::vector<double> a = Spectrum(ours, f, rmsA);
        const std::vector<double> b = Spectrum(theirs, f, rmsB);
        if (rmsA < kSilence && rmsB < kSilence) {
            sum += 1.0;
            continue;
        }
        double dot = 0, na = 0, nb = 0;
        for (size_t k = 0; k < a.size(); ++k) {
            dot += a[k] * b[k];
            na += a[k] * a[k];
            nb += b[k] * b[k];
        }
        sum += (na > 0 && nb > 0) ? dot / std::sqrt(na * nb) : 0.0;
    }
    scores.spectral = spectra ? sum / double(spectra) : 1.0;

    const std::vector<double> ea = RmsEnvelope(ours, frames, rate / 20);
    const std::vector<double> eb = RmsEnvelope(theirs, frames, rate / 20);
    // One minus the distance of the envelopes, each scaled to its own mean, relative to their
    // size: like a correlation it compares the shape of the loudness over time, not the level
    // (reported apart), and unlike one it stays meaningful for steady tones.
    const double ma = Mean(ea), mb = Mean(eb);
    scores.levelRatio = mb > 0 ? ma / mb : 0.0;
    double diff = 0, normA = 0, normB = 0;
    for (size_t i = 0; i < ea.size(); ++i) {
        // Windows silent in both are equal, whatever their residues.
        if (ea[i] < kSilence && eb[i] < kSilence) continue;
        const double a = ma > 0 ? ea[i] / ma : 0.0, b = mb > 0 ? eb[i] / mb : 0.0;
        diff += (a - b) * (a - b);
        normA += a * a;
        normB += b * b;
    }
    const double norm = std::max(normA, normB);
    scores.loudness = norm > 0 ? std::max(0.0, 1.0 - std::sqrt(diff / norm)) : 1.0;
    return scores;
}

namespace {

std::vector<char> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Module = openmpt::module>
std::unique_ptr<Module> OpenPeer(const std::filesystem::path& file) {
    const std::vector<char> bytes = ReadAll(file);
    auto module = std::make_unique<Module>(bytes);
    module->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    module->ctl_set_boolean("render.resampler.emulate_amiga", false);
    return module;
}

std::vector<int16_t> RenderAll(openmpt::module& module, int rate) {
    std::vector<int16_t> pcm;
    std::vector<int16_t> buffer(4096 * 2);
    for (;;) {
        const size_t n = module.read_interleaved_stereo(rate, 4096, buffer.data());
        if (n == 0) break;
        pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(n * 2));
    }
    return pcm;
}

} // namespace

std::vector<int16_t> PeerRenderChannel(const std::filesystem::path& file, int rate, int channel) {
    auto module = OpenPeer<openmpt::module_ext>(file);
    auto* interactive = static_cast<openmpt::ext::interactive*>(
        module->get_interface(openmpt::ext::interactive_id));
    for (int c = 0; c < module->get_num_channels(); ++c)
        interactive->set_channel_mute_status(c, c != channel);
    return RenderAll(*module, rate);
}

int PeerChannelCount(const std::filesystem::path& file) {
    return OpenPeer(file)->get_num_channels();
}

std::vector<int16_t> PeerRender(const std::filesystem::path& file, int rate) {
    auto module = OpenPeer(file);
    return RenderAll(*module, rate);
}

double PeerDuration(const std::filesystem::path& file) {
    return OpenPeer(file)->get_duration_seconds();
}
