// A bus listener for as long as its owner lives: the instrument editor's controls repaint
// themselves when an undo or another window changes what they show.
#pragma once

#include "project/app_objects.h"

#include <functional>

class TBusHook {
public:
    explicit TBusHook(std::function<void(TZEvent&)> handle) {
        listener_ = EventManager().Register(std::make_unique<Listener>(std::move(handle)));
    }
    ~TBusHook() { EventManager().Unregister(listener_); }
    TBusHook(const TBusHook&) = delete;
    TBusHook& operator=(const TBusHook&) = delete;

private:
    struct Listener : TZEventListener {
        explicit Listener(std::function<void(TZEvent&)> h) : handle(std::move(h)) {}
        void HandleEvent(TZEvent& event, int32_t) override { handle(event); }
        std::function<void(TZEvent&)> handle;
    };
    TZEventListener* listener_ = nullptr;
};
