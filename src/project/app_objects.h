// The process-wide objects every window reaches: the audio controller, the module project, the
// event bus, the edit layer and the base octave. They live in one TAppObjects made before any
// window and destroyed after the last; destruction runs bus (its listeners), project (its song),
// audio.
#pragma once

#include "model/audio.h"
#include "project/event_manager.h"
#include "project/module_project.h"
#include "project/song_edit.h"

class TAppObjects {
public:
    TAppObjects();
    TAppObjects(const TAppObjects&) = delete;
    TAppObjects& operator=(const TAppObjects&) = delete;

private:
    // First member, so it is destroyed last and the accessors work while the others go.
    struct Registration {
        explicit Registration(TAppObjects* objects);
        ~Registration();
    } registration_;

public:
    TAudio Audio;
    TModuleProject Project;
    // After the project, so its kept records go while the song is still there.
    TSongEdit Edit;
    TZEventManager EventManager;
    int BaseOctave = 4;
};

TZEventManager& EventManager();
TModuleProject& Project();
TSongEdit& SongEdit();
int& BaseOctave();
