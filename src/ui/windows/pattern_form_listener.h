// What a pattern window does when the bus announces a change.
#pragma once

#include "project/event_manager.h"

class TPatternForm;

class TPatternFormListener : public TZEventListener {
public:
    explicit TPatternFormListener(TPatternForm* form) : form_(form) {}
    void HandleEvent(TZEvent& event, int32_t tag) override;

private:
    TPatternForm* form_;
};
