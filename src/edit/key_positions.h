// Note keys go by where a key sits, not by what its label says: the native code of a physical
// key mapped to the character a US layout gives for it, so the note rows keep their shape on
// AZERTY, QWERTZ, Dvorak and the rest.
#pragma once

#include <cstdint>

// Where a native key code comes from: what the windowing system reports for a key event
// (Qt's nativeScanCode on X11 and Windows, nativeVirtualKey on macOS).
enum class TKeySource {
    X11,     // X11/xcb keycode: the evdev code + 8
    Evdev,   // Linux input event code (Wayland reports these)
    Windows, // PC scan code set 1, as Windows reports it
    Mac,     // macOS virtual key code (kVK_ANSI_...)
};

// The upper-case unshifted character of a US layout for the key, or 0 for a key outside the
// letter, digit and punctuation block.
char UsCharForKey(uint32_t nativeCode, TKeySource source);
