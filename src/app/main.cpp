// The one command users run: the headless commands are answered here; anything else starts
// the editor.
#include "app/command_line.h"
#include "app/editor_launch.h"

int main(int argc, char** argv) {
    const long long started = MonotonicNs();
    const int code = RunCommandLine(argc, argv);
    if (code != kRunEditor) return code;
    return ExecEditor(argv, started);
}
