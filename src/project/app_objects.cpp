#include "project/app_objects.h"

#include "model/errors.h"

namespace {
TAppObjects* current = nullptr;
}

// Members go in reverse order: the bus with its listeners, the undo history, then the project
// with its song, then the audio controller.
TAppObjects::TAppObjects() : registration_(this) {}

TAppObjects::Registration::Registration(TAppObjects* objects) {
    CW_ASSERT(!current);
    current = objects;
}

TAppObjects::Registration::~Registration() {
    current = nullptr;
}

TZEventManager& EventManager() {
    CW_ASSERT(current);
    return current->EventManager;
}

TModuleProject& Project() {
    CW_ASSERT(current);
    return current->Project;
}

TSongEdit& SongEdit() {
    CW_ASSERT(current);
    return current->Edit;
}

int& BaseOctave() {
    CW_ASSERT(current);
    return current->BaseOctave;
}
