#include "support/test_paths.h"

#include <algorithm>
#include <random>

namespace fs = std::filesystem;

fs::path SharedDir() {
    return CW_SHARED_DIR;
}
fs::path TestDataDir() {
    return CW_TEST_DATA_DIR;
}
fs::path CliPath() {
    return CW_CLI_PATH;
}

namespace {

std::vector<fs::path> FilesIn(const fs::path& dir, const std::vector<std::string>& extensions) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

std::vector<fs::path> CorpusFiles(const std::vector<std::string>& extensions) {
    return FilesIn(SharedDir() / "corpus", extensions);
}

std::vector<fs::path> ConformanceFiles() {
    return FilesIn(SharedDir() / "conformance" / "xm", {".xm"});
}

namespace {

// Made on first use and removed with everything in it when the process ends.
struct TempRoot {
    fs::path path;
    TempRoot() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("cantorwright-test-" + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

fs::path TempDir() {
    static TempRoot root;
    static int counter = 0;
    fs::path dir = root.path / std::to_string(counter++);
    fs::create_directories(dir);
    return dir;
}
