// Writing the song as audio files: one pass, as the command line's render makes it, to WAV or
// FLAC, as one stereo mix or one file per channel.
#pragma once

#include "engine/records.h"

#include <atomic>
#include <string>
#include <vector>

struct TAudioExportOptions {
    std::string fileName; // the mix, or the pattern "BASE - 01.EXT" names per channel
    int rate = 44100;
    bool interpolate = true;
    int bits = 16; // 16 or 24
    bool perChannel = false;
};

// Shared with the thread that watches an export: the share done, and a request to stop.
struct TAudioExportProgress {
    std::atomic<double> fraction{0.0};
    std::atomic<bool> cancel{false};
};

// FLAC when the name ends in ".flac", WAV otherwise.
bool IsFlacName(const std::string& fileName);

// The files an export with these options writes, in channel order.
std::vector<std::string> AudioExportFileNames(const TAudioExportOptions& options, int channels);

// Renders and writes the files. Each is written under a temporary name and renamed only when
// every file is complete, so a failure or a cancel leaves nothing behind. Returns false when
// cancelled; raises ESongError naming the file on failure. Safe to run off the interface
// thread while nothing restructures the module.
bool ExportSongAudio(ModuleRecord* module, const TAudioExportOptions& options,
                     TAudioExportProgress& progress);
