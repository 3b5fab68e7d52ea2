// A push button that repeats its click while held: first after a delay, then at an interval.
#pragma once

#include <QPushButton>
#include <QTimer>

class TRepeatButton : public QPushButton {
    Q_OBJECT
public:
    explicit TRepeatButton(const QString& text = {}, QWidget* parent = nullptr);

    // Milliseconds before the first repeat and between the following ones.
    void SetTiming(int firstDelayMs, int intervalMs);
};
