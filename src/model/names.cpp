#include "model/names.h"

#include "engine/engine_lock.h"

#include <cstdio>
#include <cstring>

std::string ReadName(const char (&field)[kNameSize]) {
    return std::string(field, strnlen(field, kNameSize));
}

void WriteName(char (&field)[kNameSize], const std::string& name) {
    // The player never reads names, but the lock keeps a concurrent reader of the record whole.
    EngineLock lock;
    const size_t n = std::min(name.size(), size_t(kNameSize - 1));
    std::memset(field, 0, kNameSize);
    std::memcpy(field, name.data(), n);
}

std::string QuotedText(const std::string& text, TextQuoting style) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 32 && c <= 126) {
            out += char(c);
        } else {
            char esc[8];
            if (style == TextQuoting::Json)
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
            else
                std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out + "\"";
}
