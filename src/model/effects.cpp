#include "model/effects.h"

#include "model/errors.h"

std::string EffectNames(int command) {
    CW_ASSERT(command >= 0 && command < kEffectCount);
    return EffectInfoOf(command).name;
}
