// Deterministic damage to files for the readers' robustness tests, and the checks every loaded
// module must pass.
#pragma once

#include "engine/records.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

// One mutation, chosen by round: flipped bytes (mostly among the headers), a cut, an extreme
// 32-bit value at one of `fields`, or an extreme value anywhere in the first headers.
void Mutate(std::vector<uint8_t>& bytes, std::mt19937& random, int round,
            const std::vector<size_t>& fields);

// What the player and the model rely on in a loaded module; a gtest failure names `what`.
void ExpectConsistent(ModuleRecord* m, const std::string& what);
