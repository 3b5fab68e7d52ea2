#include "app/command_line.h"

#include "app/module_commands.h"
#include "app/render_command.h"

#include <cstdio>
#include <string>

namespace {

const char* kUsage =
    "Usage: cantorwright [--verbose] [FILE]\n"
    "       cantorwright --info FILE\n"
    "       cantorwright --dump FILE\n"
    "       cantorwright --convert IN --output OUT.xm\n"
    "       cantorwright --render IN --output OUT.wav [--rate HZ] [--interpolation none|linear]\n"
    "       cantorwright --help\n"
    "\n"
    "  FILE          open the module in the editor\n"
    "  --verbose     the editor reports its start-up time in the message line\n"
    "  --info FILE   print the module's summary as one JSON object\n"
    "  --dump FILE   print every field, cell and sample checksum of the module as text\n"
    "  --convert IN --output OUT.xm\n"
    "                load any module this program reads and save it as an XM file\n"
    "  --render IN --output OUT.wav\n"
    "                play the song once through into a 16-bit stereo WAV file, offline\n";

int Usage(FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

} // namespace

int RunCommandLine(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "--help" || command == "-h") return Usage(stdout, 0);
    if (command == "--render") return RunRenderCommand(argc, argv);
    if (command == "--info" || command == "--dump") {
        if (argc != 3) return Usage(stderr, 2);
        return command == "--info" ? InfoCommand(argv[2]) : DumpCommand(argv[2]);
    }
    if (command == "--convert") {
        if (argc != 5 || std::string(argv[3]) != "--output") return Usage(stderr, 2);
        return ConvertCommand(argv[2], argv[4]);
    }
    if (command == "--verbose") return kRunEditor;
    if (!command.empty() && command[0] == '-') return Usage(stderr, 2);
    return kRunEditor;
}
