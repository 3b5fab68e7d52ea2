// Damaged MOD, S3M and IT files through the module loader: each loads into records that hold
// together or is refused with a message naming the file.
#include "engine/sndlib.h"
#include "support/mutator.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

namespace {

bool LoadOrRefuse(const std::vector<uint8_t>& bytes, const std::string& what) {
    SNDfail(kSndOk, "");
    ModuleRecord* m = SNDloadModuleFromMemory(bytes.data(), bytes.size(), "mutant.mod");
    if (m) {
        ExpectConsistent(m, what);
        SNDfreeModule(m);
        return true;
    }
    const int32_t code = SNDgetLastError();
    EXPECT_NE(code, kSndOk) << what;
    EXPECT_EQ(SNDgetErrorMessage(code).rfind("mutant.mod: ", 0), 0u) << what;
    return false;
}

// Header fields of each kind: counts, sizes and offsets that readers trust.
std::vector<size_t> FieldOffsets(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    if (ext == ".it") return {0x20, 0x22, 0x24, 0x26, 0x2C, 0x30, 0xC0, 0xC4, 0xC8};
    if (ext == ".s3m") return {0x20, 0x22, 0x24, 0x26, 0x28, 0x31, 0x60, 0x62};
    return {20 + 22, 20 + 30 + 22, 950, 951, 952, 1080}; // MOD: sample lengths, song length
}

} // namespace

TEST(ImportMutation, MutatedModS3mAndItFilesLoadConsistentlyOrAreRefused) {
    const std::vector<std::filesystem::path> files = CorpusFiles({".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 9u);
    std::mt19937 random(8122026);
    int loaded = 0, refused = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> original = ReadBytes(path);
        const std::vector<size_t> fields = FieldOffsets(path);
        for (int round = 0; round < 350; ++round) {
            std::vector<uint8_t> bytes = original;
            Mutate(bytes, random, round, fields);
            const std::string what = path.filename().string() + " round " + std::to_string(round);
            (LoadOrRefuse(bytes, what) ? loaded : refused) += 1;
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 50);
}
