#include "support/run_process.h"
#include "support/test_paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> AllXM() {
    std::vector<fs::path> files = CorpusFiles({".xm"});
    for (const fs::path& f : ConformanceFiles()) files.push_back(f);
    return files;
}

QJsonObject Info(const fs::path& file) {
    const ProcessResult r = RunCli({"--info", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    QJsonParseError error;
    const QJsonObject info =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
    return info;
}

std::vector<int> IntArray(const QJsonValue& v) {
    std::vector<int> out;
    for (const QJsonValue& x : v.toArray()) out.push_back(x.toInt());
    return out;
}

} // namespace

TEST(InfoCommand, AgreesWithLibopenmptOnEveryXM) {
    const std::vector<fs::path> files = AllXM();
    ASSERT_GE(files.size(), 90u) << "shared modules missing under " << SharedDir();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const ProcessResult r = RunCli({"--info", file.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        QJsonParseError error;
        const QJsonObject info =
            QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;

        std::ifstream in(file, std::ios::binary);
        openmpt::module oracle(in);
        EXPECT_EQ(info["format"].toString(), "xm");
        EXPECT_EQ(info["channels"].toInt(), oracle.get_num_channels());
        EXPECT_EQ(info["patterns"].toInt(), oracle.get_num_patterns());
        EXPECT_EQ(info["instruments"].toInt(), oracle.get_num_instruments());
        std::vector<int> rows;
        for (int p = 0; p < oracle.get_num_patterns(); ++p)
            rows.push_back(oracle.get_pattern_num_rows(p));
        EXPECT_EQ(IntArray(info["rows"]), rows);
        std::vector<int> orders;
        for (int o = 0; o < oracle.get_num_orders(); ++o)
            orders.push_back(oracle.get_order_pattern(o));
        EXPECT_EQ(IntArray(info["orders"]), orders);
        EXPECT_EQ(info["speed"].toInt(), oracle.get_current_speed());
        EXPECT_EQ(info["tempo"].toInt(), oracle.get_current_tempo());
    }
}

TEST(InfoCommand, DurationAgreesWithLibopenmptOnEveryCorpusModule) {
    const std::vector<fs::path> files = CorpusFiles({".xm", ".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 18u) << "shared modules missing under " << SharedDir();
    double worst = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const QJsonObject info = Info(file);
        ASSERT_TRUE(info["duration_seconds"].isDouble());
        std::ifstream in(file, std::ios::binary);
        openmpt::module oracle(in);
        const double theirs = oracle.get_duration_seconds();
        const double ours = info["duration_seconds"].toDouble();
        EXPECT_NEAR(ours, theirs, theirs * 0.005);
        const double error = theirs > 0 ? std::abs(ours - theirs) / theirs : 0.0;
        std::printf("  %-32s ours %9.3f s  libopenmpt %9.3f s  error %.4f %%\n",
                    file.filename().string().c_str(), ours, theirs, 100 * error);
        worst = std::max(worst, error);
    }
    std::printf("  worst error %.4f %%\n", 100 * worst);
}

// The reported length is the one --render writes, not a second estimate of it.
TEST(InfoCommand, DurationIsTheLengthOfTheRender) {
    const fs::path file = SharedDir() / "corpus" / "autonom.s3m";
    const fs::path wav = TempDir() / "autonom.wav";
    const ProcessResult r =
        RunCli({"--render", file.string(), "--output", wav.string(), "--rate", "8000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const double frames = double(fs::file_size(wav) - 44) / 4;
    EXPECT_NEAR(Info(file)["duration_seconds"].toDouble(), frames / 8000, 0.01);
}

TEST(InfoCommand, UnreadableFilesExitOneWithALineNamingTheFile) {
    const fs::path dir = TempDir();
    const fs::path bogus = dir / "not-a-module.xm";
    std::ofstream(bogus) << "this is not a module";
    const fs::path truncated = dir / "cut.xm";
    {
        std::ifstream in(CorpusFiles({".xm"}).front(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(truncated, std::ios::binary) << bytes.substr(0, 100);
    }
    for (const fs::path& file : {bogus, truncated, dir / "missing.xm"}) {
        const ProcessResult r = RunCli({"--info", file.string()});
        EXPECT_EQ(r.exitCode, 1) << file;
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find(file.string()), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(DumpCommand, IsStableAndShowsEveryPatternAndSample) {
    const fs::path file = SharedDir() / "corpus" / "mph.xm";
    const ProcessResult a = RunCli({"--dump", file.string()});
    const ProcessResult b = RunCli({"--dump", file.string()});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    std::ifstream in(file, std::ios::binary);
    openmpt::module oracle(in);
    size_t patterns = 0, samples = 0, pos = 0;
    while ((pos = a.out.find("\npattern ", pos)) != std::string::npos) ++patterns, ++pos;
    pos = 0;
    while ((pos = a.out.find("  sample ", pos)) != std::string::npos) ++samples, ++pos;
    EXPECT_EQ(int(patterns), oracle.get_num_patterns());
    EXPECT_EQ(int(samples), oracle.get_num_samples());
}
