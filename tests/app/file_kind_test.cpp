// --info names the kind of file it read, whatever variant of that kind the file is.
#include "support/run_process.h"
#include "support/test_paths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

QJsonObject Info(const fs::path& file) {
    const ProcessResult r = RunCli({"--info", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

void PutWord(std::string& bytes, size_t at, int value) {
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value & 0xFF);
}

// A one-pattern ProTracker-style module with one short sample, a note on each channel's first
// row, and `signature` at offset 1080.
std::string MakeMod(const std::string& signature, int channels) {
    std::string bytes(20 + 30 * 31, '\0');
    bytes.replace(0, 4, "kind");
    const size_t sample = 20;
    bytes.replace(sample, 4, "tone");
    PutWord(bytes, sample + 22, 32); // length in words
    bytes[sample + 25] = 64;         // volume
    PutWord(bytes, sample + 28, 1);  // no loop
    bytes += char(1);                // song length
    bytes += char(127);
    bytes += std::string(128, '\0');
    bytes += signature;
    std::string pattern(64 * size_t(channels) * 4, '\0');
    for (int c = 0; c < channels; ++c) {
        const size_t cell = size_t(c) * 4;
        pattern[cell] = char(0x10 | (428 >> 8)); // sample 1's high bit, period of C-2
        pattern[cell + 1] = char(428 & 0xFF);
    }
    bytes += pattern;
    for (int i = 0; i < 64; ++i) bytes += char(i < 32 ? 60 : -60);
    return bytes;
}

} // namespace

TEST(FileKind, EveryCorpusFileIsNamedByItsExtension) {
    const auto files = CorpusFiles({".xm", ".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 18u) << "shared modules missing under " << SharedDir();
    for (const fs::path& file : files)
        EXPECT_EQ(Info(file)["format"].toString().toStdString(),
                  file.extension().string().substr(1))
            << file.filename();
}

TEST(FileKind, ProTrackerFamilyModulesAreModWhateverTheirChannelSignature) {
    const std::vector<std::pair<std::string, int>> signatures{
        {"M.K.", 4}, {"M!K!", 4},  {"2CHN", 2},  {"4CHN", 4},  {"6CHN", 6},
        {"8CHN", 8}, {"10CH", 10}, {"16CH", 16}, {"32CH", 32}, {"FLT4", 4},
        {"FLT8", 8}, {"CD81", 8},  {"TDZ4", 4}};
    int made = 0;
    for (const auto& [signature, channels] : signatures) {
        SCOPED_TRACE(signature.empty() ? "15 samples" : signature);
        const fs::path file = TempDir() / ("kind" + std::to_string(made++) + ".mod");
        std::ofstream(file, std::ios::binary) << MakeMod(signature, channels);
        const QJsonObject info = Info(file);
        EXPECT_EQ(info["format"].toString().toStdString(), "mod");
        EXPECT_EQ(info["channels"].toInt(), channels);
    }
}
