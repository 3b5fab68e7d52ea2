// The effect command names shown by the editors.
#pragma once

#include "engine/effect_catalogue.h"

#include <string>

// Name of command c; c must be below kEffectCount.
std::string EffectNames(int command);
