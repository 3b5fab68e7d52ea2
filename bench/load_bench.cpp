// Load time of every shared XM module: our reader against libxmp, both from memory so that file
// input is not measured. Prints per-file and total times and the ratio libxmp / ours.
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <xmp.h>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> XMFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext == ".xm") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Best of several batches, each of `reps` loads, in seconds per load.
template <class F> double TimePerLoad(int reps, F load) {
    double best = 1e30;
    for (int batch = 0; batch < 5; ++batch) {
        const auto start = Clock::now();
        for (int i = 0; i < reps; ++i) load();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, seconds / reps);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path shared = argc > 1 ? argv[1] : CW_SHARED_DIR;
    std::vector<std::filesystem::path> files = XMFiles(shared / "corpus");
    if (files.empty()) {
        std::fprintf(stderr, "no XM files under %s\n", (shared / "corpus").c_str());
        return 1;
    }
    xmp_context xmp = xmp_create_context();
    double oursTotal = 0, peerTotal = 0;
    std::printf("%-24s %10s %12s %12s %8s\n", "file", "bytes", "ours (us)", "libxmp (us)", "ratio");
    for (const auto& path : files) {
        std::vector<uint8_t> bytes = ReadBytes(path);
        const std::string name = path.filename().string();
        // Enough repetitions for about the same amount of data per file.
        const int reps = std::max(20, int(20'000'000 / (bytes.size() + 1)));
        bool failed = false;
        const double ours = TimePerLoad(reps, [&] {
            ModuleRecord* m = LoadXM(bytes.data(), bytes.size(), name);
            if (!m) failed = true;
            SNDfreeModule(m);
        });
        const double peer = TimePerLoad(reps, [&] {
            if (xmp_load_module_from_memory(xmp, bytes.data(), long(bytes.size())) != 0)
                failed = true;
            else
                xmp_release_module(xmp);
        });
        if (failed) {
            std::fprintf(stderr, "%s: a reader refused the file\n", name.c_str());
            return 1;
        }
        oursTotal += ours;
        peerTotal += peer;
        std::printf("%-24s %10zu %12.1f %12.1f %8.2f\n", name.c_str(), bytes.size(), ours * 1e6,
                    peer * 1e6, peer / ours);
    }
    xmp_free_context(xmp);
    std::printf("%-24s %10s %12.1f %12.1f %8.2f\n", "total (one load each)", "", oursTotal * 1e6,
                peerTotal * 1e6, peerTotal / oursTotal);
    std::printf("libxmp / ours = %.2f (above 1: ours is faster)\n", peerTotal / oursTotal);
    return 0;
}
