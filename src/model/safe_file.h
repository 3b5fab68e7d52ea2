// Replacing a file's contents without ever leaving it half-written: the bytes go to a temporary
// file in the same folder, which is synced and then renamed over the target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// A write(2)-like call; tests swap it to simulate a failing disk.
using FileWriteFunction = std::function<ssize_t(int fd, const void* data, size_t size)>;

// Raises ESongError naming the file and the reason; the old file is untouched on failure and
// the temporary file is removed.
void ReplaceFileContents(const std::string& fileName, const std::vector<uint8_t>& bytes,
                         const FileWriteFunction& write = {});
