#include "support/run_process.h"
#include "support/test_paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

QJsonObject Info(const fs::path& file) {
    const ProcessResult r = RunCli({"--info", file.string()});
    EXPECT_EQ(r.exitCode, 0) << file << ": " << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

std::vector<int> IntArray(const QJsonValue& v) {
    std::vector<int> out;
    for (const QJsonValue& x : v.toArray()) out.push_back(x.toInt());
    return out;
}

} // namespace

TEST(Import, EveryModS3mAndItOpensAsLibopenmptReadsIt) {
    const std::vector<fs::path> files = CorpusFiles({".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 9u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const QJsonObject info = Info(file);
        std::ifstream in(file, std::ios::binary);
        openmpt::module oracle(in);
        EXPECT_EQ(info["format"].toString().toStdString(), oracle.get_metadata("type"));
        EXPECT_EQ(info["channels"].toInt(), oracle.get_num_channels());
        std::vector<int> orders;
        for (int o = 0; o < oracle.get_num_orders(); ++o) {
            const int pattern = oracle.get_order_pattern(o);
            if (pattern < oracle.get_num_patterns()) orders.push_back(pattern); // markers aside
        }
        // Where the song enters a pattern at other channel pannings, it plays a copy made
        // after the source's patterns.
        const std::vector<int> ours = IntArray(info["orders"]), rows = IntArray(info["rows"]);
        ASSERT_EQ(ours.size(), orders.size());
        const int copies = std::max(0, int(rows.size()) - oracle.get_num_patterns());
        std::vector<int> source(rows.size());
        for (size_t p = 0; p < rows.size(); ++p) source[p] = int(p);
        for (size_t i = 0; i < ours.size(); ++i) {
            if (ours[i] == orders[i]) continue;
            EXPECT_GE(ours[i], int(rows.size()) - copies) << "position " << i;
            if (ours[i] >= 0 && ours[i] < int(rows.size())) source[size_t(ours[i])] = orders[i];
        }
        ASSERT_GE(int(rows.size()), 1);
        for (size_t p = 0; p < rows.size(); ++p) {
            if (source[p] >= oracle.get_num_patterns()) continue;
            EXPECT_EQ(rows[p], oracle.get_pattern_num_rows(source[p])) << "pattern " << p;
        }
        EXPECT_EQ(info["speed"].toInt(), oracle.get_current_speed());
        EXPECT_EQ(info["tempo"].toInt(), oracle.get_current_tempo());
        EXPECT_TRUE(info["dropped"].isObject());
    }
}

TEST(Import, ModulesAreRecognisedByContentNotByName) {
    const fs::path dir = TempDir();
    fs::copy_file(SharedDir() / "corpus" / "autonom.s3m", dir / "song.xm");
    fs::copy_file(SharedDir() / "corpus" / "hiscreen.mod", dir / "noextension");
    fs::copy_file(SharedDir() / "corpus" / "mph.xm", dir / "actually-xm.mod");
    EXPECT_EQ(Info(dir / "song.xm")["format"].toString(), "s3m");
    EXPECT_EQ(Info(dir / "noextension")["format"].toString(), "mod");
    EXPECT_EQ(Info(dir / "actually-xm.mod")["format"].toString(), "xm");

    std::ofstream(dir / "noise.mod", std::ios::binary) << std::string(4096, '\x7f');
    const ProcessResult r = RunCli({"--info", (dir / "noise.mod").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("noise.mod"), std::string::npos) << r.err;
}

TEST(Import, ChannelPanningTravelsWithEveryInstrumentCell) {
    // MOD channels play left, right, right, left at the reference's 0x40/0xC0; XM resets the
    // panning to the sample's at each instrument number, so a cell that names one either carries
    // its channel's panning or names a sample panned there.
    const ProcessResult r = RunCli({"--dump", (SharedDir() / "corpus" / "hiscreen.mod").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int expected[4] = {0x40, 0xC0, 0xC0, 0x40};
    std::map<int, int> samplePan; // instrument -> its first sample's panning, 0..255
    std::istringstream lines(r.out);
    int instrument = -1, checked = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("instrument ", 0) == 0)
            instrument = std::stoi(line.substr(11, 2), nullptr, 16);
        const size_t pan = line.find(" panning ");
        if (line.rfind("  sample 0 ", 0) == 0 && pan != std::string::npos)
            samplePan[instrument] = std::stoi(line.substr(pan + 9)) + 128;
    }
    lines = std::istringstream(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 6 || line[0] != ' ' || line[4] != ' ' || line[5] != '|') continue;
        for (int t = 0; t < 4; ++t) {
            const std::string cell = line.substr(7 + size_t(t) * 18, 15); // "NNN II VV CC:PP"
            if (cell.substr(4, 2) == "..") continue;
            const std::string column = cell.substr(7, 2);
            const int pan = column[0] == 'C'
                                ? std::stoi(column.substr(1), nullptr, 16) << 4
                                : samplePan.at(std::stoi(cell.substr(4, 2), nullptr, 16));
            EXPECT_EQ(pan, expected[t]) << line;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

TEST(Import, WhatXMCannotHoldIsCountedByKind) {
    // This S3M plays panbrello, which XM lacks; its channel pannings all find a place.
    const QJsonObject s3m = Info(SharedDir() / "corpus" / "autonom.s3m");
    EXPECT_GT(s3m["dropped"].toObject()["effects"].toInt(), 0);
    EXPECT_FALSE(s3m["dropped"].toObject().contains("channel_settings"));
    const QJsonObject xm = Info(SharedDir() / "corpus" / "mph.xm");
    EXPECT_TRUE(xm["dropped"].toObject().isEmpty());
}
