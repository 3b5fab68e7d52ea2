// A bus listener counting the events of one class, registered for the life of the test.
#pragma once

#include "project/app_objects.h"

template <class E> class EventCounter {
public:
    EventCounter() {
        auto listener = std::make_unique<Listener>(count_);
        listener_ = EventManager().Register(std::move(listener));
    }
    ~EventCounter() { EventManager().Unregister(listener_); }
    int Count() const { return count_; }

private:
    struct Listener : TZEventListener {
        explicit Listener(int& n) : count(n) {}
        void HandleEvent(TZEvent& event, int32_t) override {
            if (dynamic_cast<E*>(&event)) ++count;
        }
        int& count;
    };
    int count_ = 0;
    TZEventListener* listener_ = nullptr;
};
