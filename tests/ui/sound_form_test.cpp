#include "model/song.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/windows/channel_grid.h"
#include "ui/windows/sound_form.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Collects the areas the widget repaints.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

class ChannelGridTest : public testing::Test {
protected:
    void SetUp() override {
        Project().Open((SharedDir() / "corpus" / "mph.xm").string());
        song = Project().Song();
        // Exactly eight columns: two pixels of frame plus eight cells.
        grid.resize(2 + 8 * TChannelGrid::kCellSize, 200);
        grid.Relayout();
    }

    QPoint Centre(int channel) const {
        const int columns = grid.ColumnCount();
        return grid.CellRect(channel % columns, channel / columns).center();
    }
    void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(pos), QPointF(grid.mapToGlobal(pos)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(&grid, &event);
    }
    void Press(int channel, Qt::MouseButton button) {
        Send(QEvent::MouseButtonPress, Centre(channel), button, button);
    }
    void DragTo(int channel, Qt::MouseButtons held) {
        Send(QEvent::MouseMove, Centre(channel), Qt::NoButton, held);
    }
    void Release(int channel, Qt::MouseButton button) {
        Send(QEvent::MouseButtonRelease, Centre(channel), button, Qt::NoButton);
    }
    std::vector<bool> Muted() const {
        std::vector<bool> muted;
        for (int i = 0; i < song->ChannelCount(); ++i) muted.push_back(song->Channels(i)->Muted);
        return muted;
    }
    std::vector<bool> KeyJazz() const {
        std::vector<bool> jazz;
        for (int i = 0; i < song->ChannelCount(); ++i) jazz.push_back(song->Channels(i)->KeyJazz);
        return jazz;
    }

    TAppObjects objects;
    TSong* song = nullptr;
    TChannelGrid grid;
};

} // namespace

TEST_F(ChannelGridTest, RowsRoundToNearestWithTiesToEven) {
    song->SetChannelCount(16);
    grid.Relayout();
    EXPECT_EQ(grid.ColumnCount(), 8);
    EXPECT_EQ(grid.RowCount(), 2); // 2.5 rounds down to even

    song->SetChannelCount(24);
    grid.Relayout();
    EXPECT_EQ(grid.RowCount(), 4); // 3.5 rounds up to even, the last row empty
    EXPECT_EQ(grid.ChannelAt(7, 2), 23);
    EXPECT_EQ(grid.ChannelAt(0, 3), -1);

    song->SetChannelCount(5);
    grid.Relayout();
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.ChannelAt(4, 0), 4);
    EXPECT_EQ(grid.ChannelAt(5, 0), -1);

    // One pixel short of the eighth column.
    grid.resize(1 + 8 * TChannelGrid::kCellSize, 200);
    grid.Relayout();
    EXPECT_EQ(grid.ColumnCount(), 7);
    grid.resize(10, 200);
    grid.Relayout();
    EXPECT_EQ(grid.ColumnCount(), 1);
    EXPECT_EQ(grid.ChannelAt(0, 4), 4);
}

TEST_F(ChannelGridTest, LeftDragFromAnUnmutedChannelMutesEveryChannelCrossed) {
    Press(1, Qt::LeftButton);
    DragTo(2, Qt::LeftButton);
    DragTo(3, Qt::LeftButton);
    DragTo(4, Qt::LeftButton);
    Release(4, Qt::LeftButton);
    EXPECT_EQ(Muted(), (std::vector<bool>{false, true, true, true, true, false, false, false}));
    EXPECT_EQ(KeyJazz(), std::vector<bool>(8, true));

    // Starting on a muted channel paints unmuting, and moving without a button paints nothing.
    Press(3, Qt::LeftButton);
    DragTo(2, Qt::LeftButton);
    Release(2, Qt::LeftButton);
    DragTo(1, Qt::NoButton);
    EXPECT_EQ(Muted(), (std::vector<bool>{false, true, false, false, true, false, false, false}));
}

TEST_F(ChannelGridTest, RightOrMiddleButtonPaintsKeyJazz) {
    Press(0, Qt::RightButton);
    DragTo(1, Qt::RightButton);
    DragTo(5, Qt::RightButton);
    Release(5, Qt::RightButton);
    EXPECT_EQ(KeyJazz(), (std::vector<bool>{false, false, true, true, true, false, true, true}));
    EXPECT_EQ(Muted(), std::vector<bool>(8, false));

    Press(1, Qt::MiddleButton);
    Release(1, Qt::MiddleButton);
    EXPECT_TRUE(song->Channels(1)->KeyJazz);
}

TEST_F(ChannelGridTest, EmptyCellsChangeNothing) {
    song->SetChannelCount(5);
    grid.Relayout();
    const QPoint empty = grid.CellRect(6, 0).center();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        Send(QEvent::MouseButtonPress, empty, button, button);
        Send(QEvent::MouseButtonRelease, empty, button, Qt::NoButton);
    }
    EXPECT_EQ(Muted(), std::vector<bool>(5, false));
    EXPECT_EQ(KeyJazz(), std::vector<bool>(5, true));

    // A drag that starts on an empty cell paints what the last press on a channel produced.
    Press(0, Qt::LeftButton);
    Release(0, Qt::LeftButton);
    Send(QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
    DragTo(2, Qt::LeftButton);
    EXPECT_EQ(Muted(), (std::vector<bool>{true, false, true, false, false}));
}

TEST_F(ChannelGridTest, AClickRepaintsOnlyItsCell) {
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    QCoreApplication::processEvents();
    PaintSpy spy(&grid);
    Press(1, Qt::LeftButton);
    Release(1, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.painted, QRegion(grid.CellRect(1, 0)));
}

TEST(ChannelGridWithoutSong, HasNoChannelsAndIgnoresTheMouse) {
    TAppObjects objects;
    TChannelGrid grid;
    grid.resize(258, 100);
    grid.Relayout();
    EXPECT_EQ(grid.RowCount(), 0);
    EXPECT_EQ(grid.ChannelAt(0, 0), -1);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(0, 0).center());
}

TEST(SoundForm, VolumeSliderWithoutAModuleOnlyChangesTheLabel) {
    TAppObjects objects;
    TSoundForm form;
    EXPECT_EQ(form.windowTitle(), "Sound Control");
    EXPECT_EQ(form.ampBar->value(), 64);
    EXPECT_EQ(form.ampLabel->text(), "64");
    form.ampBar->setValue(40);
    EXPECT_EQ(form.ampLabel->text(), "40");
    form.Refresh(); // no song: the slider stays where the user left it
    EXPECT_EQ(form.ampBar->value(), 40);
    EXPECT_EQ(form.chanGrid->RowCount(), 0);
}

TEST(SoundForm, SliderAndSongVolumeFollowEachOther) {
    TAppObjects objects;
    Project().Open((SharedDir() / "corpus" / "dali.xm").string());
    TSong* song = Project().Song();
    TSoundForm form;
    form.ampBar->setValue(20);
    EXPECT_EQ(song->MusicVolume(), 20);

    song->SetMusicVolume(33);
    form.Refresh();
    EXPECT_EQ(form.ampBar->value(), 33);
    EXPECT_EQ(form.ampLabel->text(), "33");

    // The label follows a refresh even when the slider already stands at the volume.
    form.ampLabel->clear();
    form.Refresh();
    EXPECT_EQ(form.ampLabel->text(), "33");
}

TEST(SoundForm, ShownGridLaysOutTheSongsChannels) {
    TAppObjects objects;
    Project().Open((SharedDir() / "corpus" / "heroes04.xm").string());
    TSoundForm form;
    form.resize(900, 300);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int columns = form.chanGrid->ColumnCount();
    ASSERT_GE(columns, 1);
    EXPECT_EQ(columns, (form.chanGrid->width() - 2) / TChannelGrid::kCellSize);
    EXPECT_EQ(form.chanGrid->ChannelAt(9 % columns, 9 / columns), 9);
    EXPECT_EQ(form.chanGrid->ChannelAt(10 % columns, 10 / columns), -1);

    // A narrower window rearranges the cells.
    form.resize(form.minimumSizeHint().width(), 300);
    QCoreApplication::processEvents();
    EXPECT_LT(form.chanGrid->ColumnCount(), columns);
    EXPECT_EQ(form.chanGrid->ColumnCount(), (form.chanGrid->width() - 2) / TChannelGrid::kCellSize);
}
