// Damaged XM files: deterministic mutations of the shared modules, and the fuzzer's findings.
// Each must load into records that hold together, or be refused with a message naming the file.
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"
#include "support/mutator.h"
#include "support/test_paths.h"
#include "support/xm_builder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace {

// Answers whether the bytes loaded.
bool LoadOrRefuse(const std::vector<uint8_t>& bytes, const std::string& what) {
    SNDfail(kSndOk, "");
    ModuleRecord* m = LoadXM(bytes.data(), bytes.size(), "mutant.xm");
    if (m) {
        ExpectConsistent(m, what);
        SNDfreeModule(m);
        return true;
    }
    const int32_t code = SNDgetLastError();
    EXPECT_TRUE(code == kSndErrFormat || code == kSndErrCorrupt || code == kSndErrMemory) << what;
    EXPECT_EQ(SNDgetErrorMessage(code).rfind("mutant.xm: ", 0), 0u) << what;
    return false;
}

// Offsets of header fields worth hitting with extreme values: the module header's counts and
// sizes, and whatever lies where the first pattern and instrument headers usually start.
std::vector<size_t> FieldOffsets(const std::vector<uint8_t>& bytes) {
    std::vector<size_t> offsets = {60, 64, 66, 68, 70, 72, 76, 78};
    size_t pattern = 60 + (bytes[60] | bytes[61] << 8);
    for (size_t extra : {0, 5, 7}) offsets.push_back(pattern + extra);
    return offsets;
}

} // namespace

TEST(XMMutation, MutatedSharedModulesLoadConsistentlyOrAreRefused) {
    std::vector<std::filesystem::path> files = CorpusFiles({".xm"});
    const auto conformance = ConformanceFiles();
    for (size_t i = 0; i < conformance.size(); i += 8) files.push_back(conformance[i]);
    ASSERT_GE(files.size(), 10u);

    std::mt19937 random(20261208);
    int loaded = 0, refused = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> original = ReadBytes(path);
        ASSERT_GT(original.size(), 400u) << path;
        const std::vector<size_t> fields = FieldOffsets(original);
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> bytes = original;
            const std::string what = path.filename().string() + " round " + std::to_string(round);
            Mutate(bytes, random, round, fields);
            (LoadOrRefuse(bytes, what) ? loaded : refused) += 1;
            if (HasFatalFailure()) return;
        }
    }
    // Both outcomes occur, so the mutations reach past the first checks.
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 100);
}

// Inputs the fuzzer made, one for each way a load can end; the name says which way it must.
TEST(XMMutation, FuzzerInputsLoadOrAreRefusedAsTheirNamesSay) {
    const std::filesystem::path dir = TestDataDir() / "fuzz" / "xm";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const bool shouldLoad = name.rfind("loads-", 0) == 0;
        EXPECT_EQ(LoadOrRefuse(ReadBytes(entry.path()), name), shouldLoad) << name;
        ++files;
    }
    EXPECT_GE(files, 20);
}
