// The event bus: delivers each event synchronously to every registered listener, in
// registration order, then destroys it.
#pragma once

#include "project/events.h"

#include <cstdint>
#include <memory>
#include <vector>

class TZEventListener {
public:
    virtual ~TZEventListener() = default;
    virtual void HandleEvent(TZEvent& event, int32_t tag) = 0;
};

class TZEventManager {
public:
    TZEventManager() = default;
    TZEventManager(const TZEventManager&) = delete;
    TZEventManager& operator=(const TZEventManager&) = delete;

    // The manager owns the listener from now on.
    TZEventListener* Register(std::unique_ptr<TZEventListener> listener);
    // Destroys the listener.
    void Unregister(TZEventListener* listener);
    // Delivers the event and destroys it, also when a handler throws; the exception then stops
    // delivery and reaches the caller.
    void Dispatch(std::unique_ptr<TZEvent> event, int32_t tag = 0);

    template <class E, class... Args> void Dispatch(Args&&... args) {
        Dispatch(std::make_unique<E>(std::forward<Args>(args)...));
    }

    size_t ListenerCount() const { return listeners_.size(); }

private:
    std::vector<std::unique_ptr<TZEventListener>> listeners_;
};
