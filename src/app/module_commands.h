// The headless commands that read a module and print it.
#pragma once

#include <string>

// Each answers the process exit code; errors go to stderr as one line naming the file.
int InfoCommand(const std::string& file);
int DumpCommand(const std::string& file);
// Loads `in` and saves it as an XM file at `out`.
int ConvertCommand(const std::string& in, const std::string& out);
