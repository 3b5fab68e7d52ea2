// Where tests find the shared modules, their own data and the command-line program.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

std::filesystem::path SharedDir();
std::filesystem::path TestDataDir();
std::filesystem::path CliPath();

// Every file under shared/corpus or shared/conformance/xm with one of the given extensions,
// sorted by name.
std::vector<std::filesystem::path> CorpusFiles(const std::vector<std::string>& extensions);
std::vector<std::filesystem::path> ConformanceFiles();

// A fresh empty folder under the system's temporary folder, removed at process exit.
std::filesystem::path TempDir();
