// `cantorwright` answers the headless commands itself and hands anything else to the editor
// program beside it.
#include "support/test_paths.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int code = -1;
    std::string out;
};

// Runs a shell command and collects its standard output and error together.
Outcome Shell(const std::string& command) {
    Outcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder holding a copy of the program and, if given, a stand-in editor script.
fs::path Installed(const std::string& editorScript) {
    const fs::path dir = TempDir();
    fs::copy_file(CliPath(), dir / "cantorwright");
    if (!editorScript.empty()) {
        std::ofstream(dir / "cantorwright-gui") << editorScript;
        fs::permissions(dir / "cantorwright-gui", fs::perms::owner_all);
    }
    return dir;
}

} // namespace

// Loading Qt, or SDL with the display and sound libraries behind it, costs a render more
// start-up time than the render of a short song.
TEST(EditorLaunch, TheHeadlessProgramLoadsNeitherQtNorSdl) {
    const Outcome ldd = Shell("ldd '" + CliPath().string() + "'");
    ASSERT_EQ(ldd.code, 0) << ldd.out;
    EXPECT_NE(ldd.out.find("libc.so"), std::string::npos) << ldd.out;
    EXPECT_EQ(ldd.out.find("libQt"), std::string::npos) << ldd.out;
    EXPECT_EQ(ldd.out.find("libSDL"), std::string::npos) << ldd.out;
}

TEST(EditorLaunch, HeadlessCommandsNeverStartTheEditor) {
    // An editor that would leave a mark if it were started.
    const fs::path dir = Installed("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
    const fs::path module = SharedDir() / "corpus" / "walk.xm";
    const std::string cli = "'" + (dir / "cantorwright").string() + "'";
    EXPECT_EQ(Shell(cli + " --help").code, 0);
    EXPECT_EQ(Shell(cli + " --info '" + module.string() + "'").code, 0);
    EXPECT_EQ(Shell(cli + " --render '" + module.string() + "' --output '" +
                    (dir / "out.wav").string() + "'")
                  .code,
              0);
    EXPECT_EQ(Shell(cli + " --no-such-flag").code, 2);
    EXPECT_FALSE(fs::exists(dir / "started"));
}

TEST(EditorLaunch, AnythingElseRunsTheEditorBesideItWithTheSameArguments) {
    const fs::path dir = Installed("#!/bin/sh\n"
                                   "echo \"args:$*\" > \"$(dirname \"$0\")/seen\"\n"
                                   "echo \"launch:${CANTORWRIGHT_LAUNCH_NS:+set}\" >> "
                                   "\"$(dirname \"$0\")/seen\"\n"
                                   "exit 7\n");
    // Started through a relative path from elsewhere: the editor is found beside the program.
    const Outcome run =
        Shell("cd / && '" + (dir / "cantorwright").string() + "' --verbose 'a song.xm'");
    EXPECT_EQ(run.code, 7) << run.out; // the editor's own exit code: the process was replaced
    EXPECT_EQ(Slurp(dir / "seen"), "args:--verbose a song.xm\nlaunch:set\n");
    const Outcome plain = Shell("'" + (dir / "cantorwright").string() + "'");
    EXPECT_EQ(plain.code, 7);
    EXPECT_EQ(Slurp(dir / "seen"), "args:\nlaunch:set\n");
}

TEST(EditorLaunch, AMissingEditorIsReportedNotACrash) {
    const fs::path dir = Installed("");
    const Outcome run = Shell("'" + (dir / "cantorwright").string() + "' song.xm");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("cantorwright-gui"), std::string::npos) << run.out;
}
