// Reading and writing the fixed-size name fields of the records.
#pragma once

#include "engine/records.h"

#include <string>

// The field up to its terminator.
std::string ReadName(const char (&field)[kNameSize]);
// Stores at most 31 characters and zeroes the rest of the field.
void WriteName(char (&field)[kNameSize], const std::string& name);
