#include "app/render_command.h"

#include "engine/render.h"
#include "engine/sndlib.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "%s\nUsage: cantorwright --render IN --output OUT.wav [--rate HZ] "
                 "[--interpolation none|linear]\n",
                 problem);
    return 2;
}

} // namespace

int RunRenderCommand(int argc, char** argv) {
    std::string input, output;
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--render" && hasValue) {
            input = argv[++i];
        } else if (arg == "--output" && hasValue) {
            output = argv[++i];
        } else if (arg == "--rate" && hasValue) {
            char* end = nullptr;
            const long rate = std::strtol(argv[++i], &end, 10);
            if (!end || *end || rate < 8000 || rate > 192000)
                return Usage("--rate takes 8000..192000");
            options.rate = int(rate);
        } else if (arg == "--interpolation" && hasValue) {
            const std::string mode = argv[++i];
            if (mode != "none" && mode != "linear")
                return Usage("--interpolation is none or linear");
            options.interpolate = mode == "linear";
        } else {
            return Usage(("unexpected argument: " + arg).c_str());
        }
    }
    if (input.empty() || output.empty()) return Usage("--render and --output are both needed");
    if (!RenderFileToWav(input, output, options)) {
        std::fprintf(stderr, "%s\n", SNDgetErrorMessage(SNDgetLastError()).c_str());
        return 1;
    }
    return 0;
}
