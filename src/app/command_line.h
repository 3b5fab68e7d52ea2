// The headless command line (--info, --dump, ...); without such a flag the program is the GUI.
#pragma once

// Returned by RunCommandLine when no headless flag was given: start the editor.
inline constexpr int kRunEditor = -1;

int RunCommandLine(int argc, char** argv);
