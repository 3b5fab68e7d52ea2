#include "project/event_manager.h"

#include "model/errors.h"

#include <algorithm>

TZEventListener* TZEventManager::Register(std::unique_ptr<TZEventListener> listener) {
    CW_ASSERT(listener);
    listeners_.push_back(std::move(listener));
    return listeners_.back().get();
}

void TZEventManager::Unregister(TZEventListener* listener) {
    std::erase_if(listeners_, [listener](const auto& l) { return l.get() == listener; });
}

void TZEventManager::Dispatch(std::unique_ptr<TZEvent> event, int32_t tag) {
    CW_ASSERT(event);
    // Only the listeners registered when delivery starts are called.
    const size_t count = listeners_.size();
    for (size_t i = 0; i < count && i < listeners_.size(); ++i)
        listeners_[i]->HandleEvent(*event, tag);
}
