// Times saving the largest corpus module, to memory and to disk, against libxmp loading the
// same file in the same run (libxmp cannot save; its load is the nearest peer work).
#include "model/song.h"
#include "model/xm_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <xmp.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

template <class F> double SecondsPerRun(int runs, F&& run) {
    run(); // warm-up
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i) run();
    return std::chrono::duration<double>(Clock::now() - start).count() / runs;
}

void Report(const char* what, double seconds, size_t bytes) {
    const double mb = double(bytes) / (1024.0 * 1024.0);
    std::printf("%-28s %9.3f ms/run %9.2f MB/s %9.3f ms/MB\n", what, seconds * 1e3, mb / seconds,
                seconds * 1e3 / mb);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    fs::path largest;
    for (const auto& entry : fs::directory_iterator(fs::path(CW_SHARED_DIR) / "corpus"))
        if (entry.path().extension() == ".xm" &&
            (largest.empty() || entry.file_size() > fs::file_size(largest)))
            largest = entry.path();
    if (largest.empty()) {
        std::fprintf(stderr, "no XM module in %s/corpus\n", CW_SHARED_DIR);
        return 1;
    }
    std::ifstream in(largest, std::ios::binary);
    std::vector<char> original{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};

    TSong song(largest.string());
    const size_t saved = EncodeXM(song).size();
    std::printf("module %s: %zu bytes, saved as %zu bytes; %d runs\n", largest.filename().c_str(),
                original.size(), saved, runs);

    const double memory = SecondsPerRun(runs, [&] { (void)EncodeXM(song); });
    const fs::path target = fs::temp_directory_path() / "cantorwright-save-bench.xm";
    const double disk =
        SecondsPerRun(std::max(1, runs / 10), [&] { song.SaveToXM(target.string()); });
    fs::remove(target);

    xmp_context xmp = xmp_create_context();
    const double peer = SecondsPerRun(runs, [&] {
        if (xmp_load_module_from_memory(xmp, original.data(), long(original.size())) == 0)
            xmp_release_module(xmp);
    });
    xmp_free_context(xmp);

    Report("save to memory", memory, saved);
    Report("save to disk (synced)", disk, saved);
    Report("libxmp load from memory", peer, original.size());
    const double ours = memory / double(saved), theirs = peer / double(original.size());
    std::printf("ratio, time per MB: save to memory / libxmp load = %.2f\n", ours / theirs);
    std::printf("ratio, time per MB: save to disk / libxmp load = %.2f\n",
                (disk / double(saved)) / theirs);
    return 0;
}
