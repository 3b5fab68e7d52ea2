// The editor is a program of its own beside this one, so the headless commands start without
// loading any Qt library.
#pragma once

#include <string>

// The editor's executable: "cantorwright-gui" in this program's folder.
std::string EditorPath();

// Replaces this process by the editor with the same arguments, telling it when this process
// started so its start-up figure covers both; answers an exit code only if that fails.
int ExecEditor(char** argv, long long startedNs);

// The nanoseconds between that hand-over's start and now, or -1 when this process was not
// started by ExecEditor; forgets the hand-over so the editor's own children do not inherit it.
long long TakeLaunchDelayNs();

// The monotonic clock the hand-over is measured on.
long long MonotonicNs();
