// The mixing thread must never allocate: an allocation can wait on a lock inside the allocator
// for as long as another thread pleases, and the sound device does not wait.
#include "engine/playback_engine.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <vector>

namespace {

thread_local bool counting = false;
thread_local int allocations = 0;

struct ModuleOwner {
    ModuleRecord* module;
    ~ModuleOwner() {
        if (module) SNDfreeModule(module);
    }
};

// Mixes `blocks` blocks of 10 ms on this thread and counts what was allocated meanwhile.
int AllocationsWhileMixing(int blocks) {
    std::vector<uint8_t> out(441 * 4);
    counting = true;
    allocations = 0;
    for (int i = 0; i < blocks; ++i) PlaybackEngine::Get().Fill(out.data(), int(out.size()));
    counting = false;
    return allocations;
}

} // namespace

void* operator new(std::size_t bytes) {
    if (counting) ++allocations;
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) {
    return ::operator new(bytes);
}
// The forms that do not throw must come from the same allocator as the deletes below, or a
// library that uses them (the reference player does) frees what another allocator made.
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(bytes ? bytes : 1);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return ::operator new(bytes, std::nothrow);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(RealtimeMix, MixingSongsWithLoopsPreviewsAndAnObserverAllocatesNothing) {
    ASSERT_TRUE(SNDstartup());
    ASSERT_TRUE(SNDinit()); // no output: this thread is the mixer
    ModuleOwner song{SNDloadModule((SharedDir() / "corpus" / "heroes04.xm").string().c_str())};
    ModuleOwner loops{
        SNDloadModule((SharedDir() / "conformance" / "xm" / "PatLoop-Nested.xm").string().c_str())};
    ASSERT_NE(song.module, nullptr);
    ASSERT_NE(loops.module, nullptr);
    ASSERT_NE(SNDplayModule(song.module, true), 0u);
    const PlayHandle looping = SNDplayModule(loops.module, true);
    ASSERT_NE(looping, 0u);
    ASSERT_TRUE(PLYRsetPlayTempo(looping, 255));
    const PlayHandle preview = PLYRplayModuleInstruments(song.module);
    ASSERT_NE(preview, 0u);
    ASSERT_TRUE(PLYRplayInstrumentNote(preview, 0, 0, 0x40));
    std::atomic<int> observed{0};
    PlaybackEngine::Get().SetBlockObserver(
        [&observed](uint64_t, const float*, int) { observed.fetch_add(1); });
    AllocationsWhileMixing(1); // anything made once, on first use

    EXPECT_EQ(AllocationsWhileMixing(500), 0);
    EXPECT_EQ(observed.load(), 501);
    // A stopped player may still be in a mix's hands; the mix that follows must not free it.
    ASSERT_TRUE(SNDstopModule(looping));
    EXPECT_EQ(AllocationsWhileMixing(50), 0);
    PlaybackEngine::Get().SetBlockObserver(nullptr);
    ASSERT_TRUE(SNDclose());
}
