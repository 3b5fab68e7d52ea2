// The headless command line (--info, --dump, ...); without such a flag the program is the GUI.
#pragma once

int RunCommandLine(int argc, char** argv);
