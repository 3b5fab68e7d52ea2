#include "app/command_line.h"

#include "app/render_command.h"

#include <cstdio>
#include <cstring>

namespace {

const char* kUsage =
    "Usage: cantorwright [FILE]\n"
    "       cantorwright --info FILE\n"
    "       cantorwright --dump FILE\n"
    "       cantorwright --help\n"
    "\n"
    "  --info FILE   print the module's summary as one JSON object\n"
    "  --dump FILE   print every field, cell and sample checksum of the module as text\n";

} // namespace

int RunCommandLine(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--render") == 0) return RunRenderCommand(argc, argv);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stdout);
    return 0;
}
