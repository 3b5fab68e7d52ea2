// The transport readout and the channel level meters over a playing song: bars rise on the
// channels that sound, stay down on a muted one and fall once playback stops.
#include "main_form_fixture.h"
#include "model/song.h"
#include "ui/windows/channel_grid.h"

#include <QLabel>
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
    EXPECT_TRUE(WaitFor(
        [&] {
            for (int c = 1; c < channels; ++c) highest = std::max(highest, grid.MeterHeight(c));
            return highest > TChannelGrid::kMeterHeight / 2;
        },
        5000))
        << "highest bar " << highest;
    QTest::qWait(300);
    EXPECT_EQ(grid.MeterHeight(0), 0);
    paintedWhilePlaying = spy.painted;
    // Bars are a strip of each cell, never the whole grid.
    EXPECT_LT(paintedWhilePlaying.boundingRect().width() *
                  paintedWhilePlaying.boundingRect().height(),
              grid.width() * grid.height());

    form->stopBtnClick();
    EXPECT_TRUE(WaitFor([&] {
        for (int c = 0; c < channels; ++c)
            if (grid.MeterHeight(c) != 0) return false;
        return true;
    }));
}

} // namespace

namespace {

// mph.xm keeps speed 9 at tempo 125 throughout: every row lasts 9 × 2.5 / 125 = 0.18 s.
constexpr int kMphRowHundredths = 18;

TEST_F(MainFormTest, TransportShowsPositionPatternHexRowAndTimes) {
    ShowWithModule("mph.xm");
    Song()->SetPosition(2);
    EventManager().Dispatch<EvSongPosChange>();
    // Stopped: the song's length in time, measured by the render's end rule.
    EXPECT_EQ(form->transportPanel->text(), "02/0E  Pattern 07  Row 00  1:37");
    EXPECT_EQ(form->posPanel->text(), "2: 1");

    form->playBtnClick();
    ASSERT_TRUE(WaitFor([&] { return Song()->CurrentRow() >= 0x12; }, 8000));
    form->pauseBtnClick();
    form->playBtnClick(); // resumes where it paused, and shows the times again
    ASSERT_TRUE(WaitFor([&] { return form->transportPanel->text().contains(" / "); }));
    const QStringList parts = form->transportPanel->text().split("  ");
    ASSERT_EQ(parts.size(), 4) << form->transportPanel->text().toStdString();
    const int position = parts[0].left(2).toInt(nullptr, 16);
    const int row = parts[2].mid(4).toInt(nullptr, 16);
    // Positions 0..2 have 32, 32 and 128 rows.
    const int rowsBefore = position == 0 ? row : position == 1 ? 32 + row : 64 + row;
    ASSERT_LE(position, 2);
    const int seconds = rowsBefore * kMphRowHundredths / 100;
    EXPECT_EQ(parts[3],
              QString("%1:%2 / 1:37").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0')));
}

} // namespace

TEST_F(MainFormTest, TheWindowKeepsAUsableMinimumSize) {
    Show();
    form->resize(200, 150);
    QApplication::processEvents();
    EXPECT_GE(form->width(), 760);
    EXPECT_GE(form->height(), 480);
}
