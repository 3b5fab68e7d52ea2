#include "model/errors.h"
#include "project/app_objects.h"
#include "support/test_paths.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

// Records what it receives and counts its own destruction.
class Recorder : public TZEventListener {
public:
    Recorder(std::string name, std::vector<std::string>& log, int* destroyed = nullptr)
        : name_(std::move(name)), log_(log), destroyed_(destroyed) {}
    ~Recorder() override {
        if (destroyed_) ++*destroyed_;
    }
    void HandleEvent(TZEvent& event, int32_t tag) override {
        std::string kind = "other";
        if (dynamic_cast<EvPositionInsDel*>(&event)) kind = "position";
        if (auto* p = dynamic_cast<EvPatternInsDel*>(&event))
            kind = "pattern " + std::to_string(p->Index);
        log_.push_back(name_ + ":" + kind + ":" + std::to_string(tag));
        if (onEvent) onEvent();
    }
    std::function<void()> onEvent;

private:
    std::string name_;
    std::vector<std::string>& log_;
    int* destroyed_;
};

// Counts destructions of the events it is handed.
struct CountedEvent : TZEvent {
    explicit CountedEvent(int& n) : count(n) {}
    ~CountedEvent() override { ++count; }
    int& count;
};

} // namespace

TEST(EventBus, DeliversInRegistrationOrderAndByClassFamily) {
    TZEventManager bus;
    std::vector<std::string> log;
    bus.Register(std::make_unique<Recorder>("A", log));
    bus.Register(std::make_unique<Recorder>("B", log));
    bus.Dispatch<EvInsertPosition>(3);
    bus.Dispatch<EvDeletePosition>(1);
    bus.Dispatch(std::make_unique<EvDeletePattern>(7), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"A:position:0", "B:position:0", "A:position:0",
                                             "B:position:0", "A:pattern 7:5", "B:pattern 7:5"}));
}

TEST(EventBus, EventsAreDestroyedOnEveryPath) {
    TZEventManager bus;
    int destroyed = 0;
    bus.Dispatch(std::make_unique<CountedEvent>(destroyed));
    EXPECT_EQ(destroyed, 1); // no listener: only destroyed

    std::vector<std::string> log;
    auto* first = static_cast<Recorder*>(bus.Register(std::make_unique<Recorder>("A", log)));
    bus.Register(std::make_unique<Recorder>("B", log));
    first->onEvent = [] { throw ESongError("boom"); };
    EXPECT_THROW(bus.Dispatch(std::make_unique<CountedEvent>(destroyed)), ESongError);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(log, std::vector<std::string>{"A:other:0"}); // B never saw it
}

TEST(EventBus, UnregisteringAndShuttingDownDestroyListenersOnce) {
    int destroyed = 0;
    std::vector<std::string> log;
    {
        TZEventManager bus;
        TZEventListener* a = bus.Register(std::make_unique<Recorder>("A", log, &destroyed));
        bus.Register(std::make_unique<Recorder>("B", log, &destroyed));
        bus.Unregister(a);
        EXPECT_EQ(destroyed, 1);
        bus.Dispatch<EvLoadModule>();
        EXPECT_EQ(log, std::vector<std::string>{"B:other:0"});
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(ModuleProject, OpenCloseAndFailedOpen) {
    TAppObjects objects;
    TModuleProject& project = Project();
    project.Close(); // nothing open: nothing happens
    EXPECT_EQ(project.Song(), nullptr);

    const std::string good = (SharedDir() / "corpus" / "mph.xm").string();
    project.Open(good);
    ASSERT_NE(project.Song(), nullptr);
    EXPECT_EQ(project.FileName(), good);

    const std::string bad = (TempDir() / "missing.xm").string();
    EXPECT_THROW(project.Open(bad), ESongError);
    EXPECT_EQ(project.Song(), nullptr);
    EXPECT_EQ(project.FileName(), bad);
    EXPECT_EQ(BaseOctave(), 4);
    EXPECT_EQ(&Audio(), &objects.Audio);
}

TEST(AppObjects, ShutdownDestroysListenersBeforeTheSong) {
    // A listener that looks at the song while it is destroyed must still find it.
    struct Watcher : TZEventListener {
        bool* sawSong;
        explicit Watcher(bool* s) : sawSong(s) {}
        ~Watcher() override { *sawSong = Project().Song() != nullptr; }
        void HandleEvent(TZEvent&, int32_t) override {}
    };
    bool sawSong = false;
    {
        TAppObjects objects;
        Project().Open((SharedDir() / "corpus" / "mph.xm").string());
        EventManager().Register(std::make_unique<Watcher>(&sawSong));
    }
    EXPECT_TRUE(sawSong);
    EXPECT_THROW(Project(), EAssertionFailed);
}

TEST(ModuleProject, SaveAsKeepsTheNewNameEvenWhenWritingFails) {
    TAppObjects objects;
    EXPECT_THROW(Project().Save(), EAssertionFailed); // nothing open
    Project().Open((SharedDir() / "corpus" / "walk.xm").string());
    const std::string target = (TempDir() / "copy.xm").string();
    Project().SaveAs(target);
    EXPECT_EQ(Project().FileName(), target);
    EXPECT_TRUE(std::filesystem::exists(target));

    const std::string unwritable = (TempDir() / "no-such-folder" / "x.xm").string();
    EXPECT_THROW(Project().SaveAs(unwritable), ESongError);
    EXPECT_EQ(Project().FileName(), unwritable);
}
