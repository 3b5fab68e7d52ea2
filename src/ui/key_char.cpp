#include "ui/key_char.h"

#include "edit/key_positions.h"

#include <QKeyEvent>

char UsCharOfEvent(const QKeyEvent& event) {
#if defined(Q_OS_MACOS)
    if (event.nativeVirtualKey() != 0)
        return UsCharForKey(event.nativeVirtualKey(), TKeySource::Mac);
#elif defined(Q_OS_WIN)
    if (event.nativeScanCode() != 0)
        return UsCharForKey(event.nativeScanCode(), TKeySource::Windows);
#else
    // xcb and Wayland both report xkb keycodes: the evdev code + 8.
    if (event.nativeScanCode() != 0) return UsCharForKey(event.nativeScanCode(), TKeySource::X11);
#endif
    // A synthetic event without a native code: its key is all there is.
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return char(key);
    if (key == Qt::Key_QuoteLeft || key == Qt::Key_AsciiTilde) return '`';
    return 0;
}
