#include "ui/widgets/repeat_button.h"

TRepeatButton::TRepeatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAutoRepeat(true);
    SetTiming(500, 100);
}

void TRepeatButton::SetTiming(int firstDelayMs, int intervalMs) {
    setAutoRepeatDelay(firstDelayMs);
    setAutoRepeatInterval(intervalMs);
}
