// A horizontal scroll bar's state as the instrument editor's controls answer it, and the
// actions it reports.
#pragma once

struct TScrollBarState {
    bool enabled = false;
    int maximum = 0;
    int position = 0;
};

enum class TScrollAction { LineLeft, LineRight, PageLeft, PageRight, Thumb, Top, Bottom };
