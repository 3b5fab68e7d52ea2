#include "edit/key_positions.h"

namespace {

// US characters by evdev code, from KEY_1 (2) to KEY_SLASH (53); 0 where the code is not a
// character key (Backspace, Tab, Enter, Ctrl, Shift).
constexpr char kEvdevFirst = 2;
constexpr char kEvdevChars[] = "1234567890-=\0\0QWERTYUIOP[]\0\0ASDFGHJKL;'`\0\\ZXCVBNM,./";

// macOS virtual key codes 0x00 .. 0x32 of the ANSI block.
constexpr char kMacChars[] = "ASDFHGZXCV\0BQWERYT123465=97-80]OU[IP\0LJ'K;\\,/NM.\0\0`";

char FromTable(const char* table, uint32_t size, uint32_t index) {
    return index < size ? table[index] : 0;
}

} // namespace

char UsCharForKey(uint32_t nativeCode, TKeySource source) {
    constexpr uint32_t evdevSize = sizeof kEvdevChars - 1;
    switch (source) {
    case TKeySource::X11:
        if (nativeCode < 8) return 0;
        return UsCharForKey(nativeCode - 8, TKeySource::Evdev);
    case TKeySource::Evdev:
    case TKeySource::Windows:
        // Set 1 scan codes of the main block are the evdev codes.
        if (nativeCode < uint32_t(kEvdevFirst)) return 0;
        if (nativeCode == 57) return ' ';
        return FromTable(kEvdevChars, evdevSize, nativeCode - kEvdevFirst);
    case TKeySource::Mac:
        if (nativeCode == 0x31) return ' ';
        return FromTable(kMacChars, sizeof kMacChars - 1, nativeCode);
    }
    return 0;
}
