// cantorwright --convert, run as the real program.
#include "support/test_paths.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the program with the arguments, optionally through a prefix such as a user switch, and
// optionally a copy of the program.
Result RunCli(const std::vector<std::string>& args, const std::string& prefix = "",
              const fs::path& program = CliPath()) {
    static const fs::path dir = TempDir();
    std::string command = prefix + Quote(program.string());
    for (const std::string& a : args) command += " " + Quote(a);
    command += " >" + Quote((dir / "out").string()) + " 2>" + Quote((dir / "err").string());
    const int status = std::system(command.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir / "out");
    r.err = Slurp(dir / "err");
    return r;
}

int Lines(const std::string& s) {
    return int(std::count(s.begin(), s.end(), '\n'));
}

} // namespace

TEST(Convert, EveryXMConvertsToACopyThatDumpsTheSame) {
    const fs::path dir = TempDir();
    std::vector<fs::path> files = CorpusFiles({".xm"});
    for (const fs::path& f : ConformanceFiles()) files.push_back(f);
    ASSERT_GT(files.size(), 10u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const fs::path copy = dir / "copy.xm";
        const Result convert = RunCli({"--convert", file.string(), "--output", copy.string()});
        ASSERT_EQ(convert.code, 0) << convert.err;
        EXPECT_EQ(convert.err, "");
        const Result original = RunCli({"--dump", file.string()});
        const Result converted = RunCli({"--dump", copy.string()});
        ASSERT_EQ(original.code, 0);
        EXPECT_EQ(converted.out, original.out);
    }
}

TEST(Convert, FilesItCannotReadFailWithOneLineNamingThem) {
    const fs::path dir = TempDir();
    const fs::path out = dir / "out.xm";
    std::vector<fs::path> inputs = CorpusFiles({".mod", ".s3m", ".it"});
    inputs.push_back(dir / "missing.xm");
    for (const fs::path& in : inputs) {
        SCOPED_TRACE(in.string());
        const Result r = RunCli({"--convert", in.string(), "--output", out.string()});
        if (r.code == 0) continue; // a reader for this kind has landed
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(in.string()), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunCli({"--convert", "a.xm"}).code, 2);
    EXPECT_EQ(RunCli({"--convert", "a.xm", "--out", "b.xm"}).code, 2);
}

// Root may write anywhere, so the program runs as an unprivileged user where it can.
TEST(Convert, AFolderItCannotWriteKeepsThePreviousFile) {
    const fs::path dir = TempDir();
    fs::path in = SharedDir() / "corpus" / "mph.xm";
    fs::path program = CliPath();
    const fs::path target = dir / "song.xm";
    const std::string before = "an older file that must survive";
    std::ofstream(target) << before;
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    std::string prefix;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "needs setpriv";
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        // That user may not enter the clone's folders or the shared ones (a clone under /root),
        // so it runs a copy of the program on a copy of the input, both where anyone can read.
        const fs::path readable = TempDir();
        fs::permissions(readable, fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
        fs::copy_file(in, readable / in.filename());
        fs::copy_file(program, readable / program.filename());
        in = readable / in.filename();
        program = readable / program.filename();
        for (fs::path p = readable; p != p.root_path(); p = p.parent_path())
            ASSERT_TRUE((fs::status(p).permissions() & fs::perms::others_exec) != fs::perms::none)
                << p << " is closed to other users";
    }
    const Result r =
        RunCli({"--convert", in.string(), "--output", target.string()}, prefix, program);
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(target.string()), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(target), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}
