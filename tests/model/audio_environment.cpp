// The model needs a process audio controller, as the application's objects provide it.
#include "model/audio.h"

#include <gtest/gtest.h>

namespace {

class AudioEnvironment : public testing::Environment {
public:
    void SetUp() override { audio_ = std::make_unique<TAudio>(); }
    void TearDown() override { audio_.reset(); }

private:
    std::unique_ptr<TAudio> audio_;
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new AudioEnvironment);

} // namespace
