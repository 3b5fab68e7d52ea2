// The effect command names shown by the editors.
#pragma once

#include <string>

#include "engine/effect_catalogue.h"

// Name of command c; c must be below kEffectCount.
std::string EffectNames(int command);
