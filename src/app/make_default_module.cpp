// Builds "defmodule.xm", the template for new modules, with the program's own XM writer: 8
// channels, one empty 64-row pattern, speed 6, tempo 125, linear frequencies and one
// instrument holding a looped single-cycle wave, so the keyboard sounds at once.
#include "model/audio.h"
#include "model/song.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 64; // one cycle of the wave

void Put16(std::vector<uint8_t>& out, int value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, int value) {
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? text[i] : 0);
}

// The smallest module the reader takes: the header, one empty pattern and one instrument
// without samples. The sample is added through the model, which the writer then saves.
std::vector<uint8_t> Bootstrap() {
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, "", 20);
    out.push_back(0x1A);
    PutText(out, "Cantorwright", 20);
    Put16(out, 0x0104);
    Put32(out, 276);
    Put16(out, 1);   // song length
    Put16(out, 0);   // restart
    Put16(out, 8);   // channels
    Put16(out, 1);   // patterns
    Put16(out, 1);   // instruments
    Put16(out, 1);   // linear frequencies
    Put16(out, 6);   // speed
    Put16(out, 125); // tempo
    PutText(out, "", 256);
    Put32(out, 9); // pattern header
    out.push_back(0);
    Put16(out, 64);
    Put16(out, 0);  // no packed data: every cell empty
    Put32(out, 29); // instrument header without samples
    PutText(out, "Wave", 22);
    out.push_back(0);
    Put16(out, 0);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_default_module OUT.xm\n");
        return 2;
    }
    try {
        const std::filesystem::path target = argv[1];
        const std::filesystem::path seed = target.string() + ".seed";
        {
            const std::vector<uint8_t> bytes = Bootstrap();
            std::ofstream file(seed, std::ios::binary);
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        TAudio audio;
        TSong song(seed.string());
        std::filesystem::remove(seed);
        TSample* sample = song.Instruments(0)->InsertSample(-1);
        const std::filesystem::path wave = target.string() + ".raw";
        {
            std::vector<uint8_t> bytes;
            for (int frame = 0; frame < kFrames; ++frame) {
                // A sine with a little of its octave, softer than a square and not as dull.
                const double phase = 2 * std::numbers::pi * frame / kFrames;
                Put16(bytes, static_cast<int>(std::lround(
                                 20000 * (0.8 * std::sin(phase) + 0.2 * std::sin(2 * phase)))));
            }
            std::ofstream file(wave, std::ios::binary);
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        sample->LoadRawFile(wave.string());
        std::filesystem::remove(wave);
        sample->SetLoopStart(0);
        sample->SetLoopEnd(kFrames);
        sample->SetLoopType(1);
        sample->SetVolume(48);
        sample->SetBaseNote(60); // one cycle of 64 frames: middle C sounds as C-4
        sample->SetName("sine");
        song.SaveToXM(target.string());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_default_module: %s\n", error.what());
        return 1;
    }
}
