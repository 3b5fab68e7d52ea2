// Keeps the main window in step with the model: the frame's reactions to the bus's events.
#pragma once

#include "project/event_manager.h"

class TMainForm;

class TMainListener : public TZEventListener {
public:
    explicit TMainListener(TMainForm* form) : form_(form) {}
    void HandleEvent(TZEvent& event, int32_t tag) override;

private:
    TMainForm* form_;
};
