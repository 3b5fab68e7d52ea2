// Reading and writing the fixed-size name fields of the records.
#pragma once

#include "engine/records.h"

#include <string>

// The field up to its terminator.
std::string ReadName(const char (&field)[kNameSize]);
// Stores at most 31 characters and zeroes the rest of the field.
void WriteName(char (&field)[kNameSize], const std::string& name);

enum class TextQuoting {
    Json, // bytes outside printable ASCII as \u00XX: names are 8-bit text, read as Latin-1
    Dump, // bytes outside printable ASCII as \xXX
};
// The text in double quotes, with quotes and backslashes escaped.
std::string QuotedText(const std::string& text, TextQuoting style);
