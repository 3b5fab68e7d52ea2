// The scroll bar's actions as the instrument editor's controls tell them apart.
#pragma once

#include "edit/scroll_bar.h"

#include <QAbstractSlider>
#include <optional>

inline std::optional<TScrollAction> ScrollActionOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return TScrollAction::LineLeft;
    case QAbstractSlider::SliderSingleStepAdd:
        return TScrollAction::LineRight;
    case QAbstractSlider::SliderPageStepSub:
        return TScrollAction::PageLeft;
    case QAbstractSlider::SliderPageStepAdd:
        return TScrollAction::PageRight;
    case QAbstractSlider::SliderMove:
        return TScrollAction::Thumb;
    case QAbstractSlider::SliderToMinimum:
        return TScrollAction::Top;
    case QAbstractSlider::SliderToMaximum:
        return TScrollAction::Bottom;
    default:
        return std::nullopt;
    }
}
