#include "app/editor_launch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kLaunchVariable = "CANTORWRIGHT_LAUNCH_NS";

} // namespace

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

std::string EditorPath() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "cantorwright-gui";
    std::string path(self, size_t(length));
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           "cantorwright-gui";
}

int ExecEditor(char** argv, long long startedNs) {
    const std::string editor = EditorPath();
    setenv(kLaunchVariable, std::to_string(startedNs).c_str(), 1);
    // argv[0] is kept: the window system names the program by it.
    execv(editor.c_str(), argv);
    std::fprintf(stderr, "cantorwright: cannot start the editor %s: %s\n", editor.c_str(),
                 std::strerror(errno));
    return 1;
}

long long TakeLaunchDelayNs() {
    const char* value = std::getenv(kLaunchVariable);
    if (!value) return -1;
    char* end = nullptr;
    const long long started = std::strtoll(value, &end, 10);
    const bool valid = end != value && *end == '\0';
    unsetenv(kLaunchVariable);
    if (!valid) return -1;
    const long long delay = MonotonicNs() - started;
    return delay >= 0 ? delay : -1;
}
