// Runs the command-line program and collects what it printed.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ProcessResult RunCli(const std::vector<std::string>& args);
