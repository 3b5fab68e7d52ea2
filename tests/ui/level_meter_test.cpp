// The channel level meters over a playing song: bars rise on the channels that sound, stay
// down on a muted one, fall once playback stops, and repaint only the bars.
#include "main_form_fixture.h"
#include "model/song.h"
#include "ui/windows/channel_grid.h"

#include <QPaintEvent>

namespace {

class PaintRegions : public QObject {
public:
    explicit PaintRegions(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(MainFormTest, MetersFollowThePlayingChannels) {
    ShowWithModule("mph.xm");
    TChannelGrid grid;
    grid.resize(2 + 8 * TChannelGrid::kCellSize, 200);
    grid.Relayout();
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    Song()->Channels(0)->SetMuted(true);
    form->playBtnClick();
    ASSERT_TRUE(Song()->Playing());

    const int channels = Song()->ChannelCount();
    int highest = 0;
    QRegion paintedWhilePlaying;
    PaintRegions spy(&grid);
    EXPECT_TRUE(WaitFor([&] {
        for (int c = 1; c < channels; ++c) highest = std::max(highest, grid.MeterHeight(c));
        return highest > TChannelGrid::kMeterHeight / 2;
    }, 5000)) << "highest bar " << highest;
    QTest::qWait(300);
    EXPECT_EQ(grid.MeterHeight(0), 0);
    paintedWhilePlaying = spy.painted;
    // Bars are a strip of each cell, never the whole grid.
    EXPECT_LT(paintedWhilePlaying.boundingRect().width() * paintedWhilePlaying.boundingRect().height(),
              grid.width() * grid.height());

    form->stopBtnClick();
    EXPECT_TRUE(WaitFor([&] {
        for (int c = 0; c < channels; ++c)
            if (grid.MeterHeight(c) != 0) return false;
        return true;
    }));
}

} // namespace
