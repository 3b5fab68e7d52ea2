#include "main_form_fixture.h"
#include "model/audio.h"
#include "model/errors.h"
#include "support/mod_builder.h"
#include "ui/cantor_application.h"
#include "ui/widgets/file_panel.h"
#include "ui/widgets/repeat_button.h"
#include "ui/windows/channel_grid.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/sound_form.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <fstream>

TEST_F(MainFormTest, StartsOnTheDefaultModuleAsUntitled) {
    Show();
    ASSERT_NE(Song(), nullptr);
    EXPECT_EQ(form->windowTitle(), "Cantorwright - Untitled");
    EXPECT_EQ(Project().FileName(),
              (form->FilePanel()->SelectedFolder() + "Untitled").toStdString());
    EXPECT_EQ(Song()->ChannelCount(), 8);
    EXPECT_EQ(Song()->PatternCount(), 1);
    EXPECT_EQ(Song()->Patterns(0)->RowCount(), 64);
    EXPECT_EQ(Song()->Speed(), 6);
    EXPECT_EQ(Song()->Tempo(), 125);
    EXPECT_TRUE(Song()->LinearFrequencies());
    ASSERT_EQ(Song()->InstrumentCount(), 1);
    ASSERT_EQ(Song()->Instruments(0)->SampleCount(), 1);
    EXPECT_EQ(Song()->Instruments(0)->Samples(0)->Bits(), 16);
    EXPECT_GT(Song()->Instruments(0)->Samples(0)->LoopType(), 0);
    EXPECT_EQ(form->chanSpin->value(), 8);
    EXPECT_EQ(form->posPanel->text(), "0: 1");
    EXPECT_TRUE(form->playBtn->isEnabled());
    EXPECT_FALSE(form->stopBtn->isEnabled());
    EXPECT_FALSE(form->pauseBtn->isEnabled());
}

TEST_F(MainFormTest, ToolbarsFollowTheirMenuItemsBothWays) {
    Show();
    QMenu* toolbars = form->menuBar()->findChild<QMenu*>("toolbarsMenu");
    ASSERT_NE(toolbars, nullptr);
    QStringList items;
    for (QAction* action : toolbars->actions()) items << action->text();
    EXPECT_EQ(items, QStringList({"Main", "Playback", "Pattern Layout", "Song Properties",
                                  "Miscellaneous"}));
    QToolBar* playback = form->findChild<QToolBar*>("Playback Toolbar");
    ASSERT_NE(playback, nullptr);
    QAction* item = toolbars->actions()[1];
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(playback->isVisible());
    playback->show(); // as when the toolbar is shown again some other way
    EXPECT_TRUE(item->isChecked());
    playback->close();
    EXPECT_FALSE(item->isChecked());
}

TEST_F(MainFormTest, OpeningAnnouncesCloseThenLoadAndShowsTheFileName) {
    Show();
    recorder->names.clear();
    const auto file = CorpusModule("finalman-quickie.xm");
    form->OpenModule(file.string());
    // The instrument editor shows the first instrument and its first sample while the load is
    // announced, before the recorder, which listens last, hears of it.
    EXPECT_EQ(recorder->names, (std::vector<std::string>{
                                   typeid(EvClosingModule).name(), typeid(EvClosedModule).name(),
                                   typeid(EvCurrSampChange).name(), typeid(EvCurrInstChange).name(),
                                   typeid(EvLoadModule).name()}));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm");
    EXPECT_TRUE(Audio().Active);
    EXPECT_EQ(form->chanSpin->value(), Song()->ChannelCount());
    EXPECT_EQ(form->restartSpin->maximum(), Song()->SongLength() - 1);
    EXPECT_EQ(form->restartSpin->value(), 5);
    EXPECT_EQ(form->tempoSpin->value(), 120);
    EXPECT_EQ(form->speedSpin->value(), 3);
    EXPECT_EQ(form->songNameEd->text().toStdString(), Song()->Name());
}

TEST_F(MainFormTest, WithNoSongOpenTheSongBarIsEmptyAndEveryCommandDoesNothing) {
    form->SetStartFile(QString::fromStdString(CorruptModule().string()));
    Show();
    EXPECT_EQ(Song(), nullptr);
    EXPECT_TRUE(form->infoPanel1->text().startsWith("ESongError: "));
    EXPECT_FALSE(Audio().Active);
    EXPECT_FALSE(form->playBtn->isEnabled());
    EXPECT_TRUE(form->songNameEd->text().isEmpty());
    for (QSpinBox* spin : {form->chanSpin, form->tempoSpin, form->speedSpin, form->restartSpin}) {
        EXPECT_FALSE(spin->isEnabled());
        EXPECT_EQ(spin->text().trimmed(), "") << spin->value();
    }
    EXPECT_FALSE(form->songNameEd->isEnabled());
    form->playBtnClick();
    form->nxtOrderBtnClick();
    form->incOrderBtnClick();
    EXPECT_FALSE(form->FormKeyDown(Qt::Key_F8, Qt::NoModifier));
    EXPECT_FALSE(form->ModuleTimerActive());
    // The next open works again and fills the bar.
    form->OpenModule(CorpusModule("walk.xm").string());
    ASSERT_NE(Song(), nullptr);
    EXPECT_TRUE(Audio().Active);
    EXPECT_TRUE(form->chanSpin->isEnabled());
    EXPECT_EQ(form->chanSpin->text(), QString::number(Song()->ChannelCount()));
}

TEST_F(MainFormTest, SavingAsksForANameProposesUntitledAndAsksBeforeReplacing) {
    Show();
    const auto folder = TempDir();
    form->FilePanel()->SelectFolder(QString::fromStdString(folder.string()));
    form->NewModule();
    Song()->SetName("first");

    QString proposed;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        proposed = dialog->selectedFiles().value(0);
        ChooseFile(dialog, "song");
    });
    form->Save1Click();
    const auto saved = folder / "song.xm";
    EXPECT_EQ(std::filesystem::path(proposed.toStdString()), folder / "Untitled.xm");
    ASSERT_TRUE(std::filesystem::exists(saved)) << "the default extension is added";
    EXPECT_EQ(Project().FileName(), saved.string());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - song.xm");
    const std::string firstBytes = FileBytes(saved);

    // Replacing is asked first: "No" keeps the file dialog open and the file untouched.
    Song()->SetName("second");
    bool asked = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        WhenShown<QMessageBox>([&, dialog](QMessageBox* box) {
            asked = true;
            box->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        dialog->selectFile("song.xm");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    form->Save1Click();
    EXPECT_TRUE(asked);
    EXPECT_EQ(FileBytes(saved), firstBytes);

    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->selectedFiles().value(0).toStdString(), saved.string());
        WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QMetaObject::invokeMethod(dialog, "accept");
    });
    form->Save1Click();
    form->OpenModule(saved.string());
    EXPECT_EQ(Song()->Name(), "second");
}

TEST_F(MainFormTest, ErrorsFromHandlersAreShownInRedAndCleared) {
    Show();
    const bool handled = DeliverGuarded([]() -> bool { throw ESongError("cannot read \"x\""); });
    EXPECT_TRUE(handled);
    EXPECT_EQ(form->infoPanel1->text(), "ESongError: cannot read \"x\"");
    EXPECT_TRUE(form->infoPanel1->styleSheet().contains("red"));
    // The real path: a handler whose error would otherwise leave the event loop.
    EXPECT_TRUE(DeliverGuarded([&] {
        form->OpenModule(CorruptModule().string());
        return true;
    }));
    EXPECT_TRUE(form->infoPanel1->text().startsWith("ESongError: "));
    form->clrMsgBtn->click();
    EXPECT_TRUE(form->infoPanel1->text().isEmpty());
    EXPECT_FALSE(form->infoPanel1->styleSheet().contains("red"));
}

namespace {

std::filesystem::path WrittenMOD(const std::string& name, uint8_t effect, uint8_t param) {
    MODTestSong song;
    MODTestSample sample;
    sample.values.assign(64, 40);
    song.samples = {sample};
    song.patterns[0].cells = {{0, 0, 428, 1, 0, 0}, {1, 0, 0, 0, effect, param}};
    const auto file = TempDir() / name;
    const std::vector<uint8_t> bytes = BuildMOD(song);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

} // namespace

// What an import could not keep is said once, in the message line's normal colour; a faithful
// import says nothing.
TEST_F(MainFormTest, OpeningAnImportThatLostEffectsSaysSoInTheMessageLine) {
    Show();
    form->clrMsgBtn->click();
    form->OpenModule(WrittenMOD("kept.mod", 0xA, 0x20).string());
    EXPECT_TRUE(form->infoPanel1->text().isEmpty()) << form->infoPanel1->text().toStdString();
    form->OpenModule(WrittenMOD("slide.mod", 0xA, 0x00).string());
    EXPECT_EQ(form->infoPanel1->text(), "Imported from MOD: 1 effect could not be kept in XM");
    EXPECT_FALSE(form->infoPanel1->styleSheet().contains("red"));
    // Hovering shows a message whole where the line is too narrow; clearing takes it away.
    EXPECT_EQ(form->infoPanel1->toolTip(), form->infoPanel1->text());
    form->clrMsgBtn->click();
    EXPECT_TRUE(form->infoPanel1->toolTip().isEmpty());
}

class PlaybackTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowWithModule("finalman-quickie.xm");
    }
};

TEST_F(PlaybackTest, PlayRunsTheFollowerWhichAnnouncesEachNewRow) {
    EXPECT_EQ(form->LastRow(), -1);
    recorder->names.clear();
    form->playBtn->trigger();
    ASSERT_TRUE(Song()->Playing());
    EXPECT_TRUE(form->ModuleTimerActive());
    EXPECT_TRUE(form->stopBtn->isEnabled());
    EXPECT_TRUE(form->pauseBtn->isEnabled());
    // The first tick announces even row 0, as no row was announced before.
    ASSERT_TRUE(WaitFor([&] { return recorder->Count(typeid(EvSongPosChange)) >= 1; }));
    EXPECT_GE(form->LastRow(), 0);
    ASSERT_TRUE(WaitFor([&] { return recorder->Count(typeid(EvSongPosChange)) >= 3; }));
    // The song plays on while the test looks: the panel shows a row from the one the follower
    // last announced up to the playing one.
    const QStringList shown = form->posPanel->text().split(": ");
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].toInt(), Song()->CurrentPosition());
    EXPECT_GE(shown[1].toInt() - 1, form->LastRow());
    EXPECT_LE(shown[1].toInt() - 1, Song()->CurrentRow());
}

TEST_F(PlaybackTest, PauseKeepsThePositionAndStopRewinds) {
    Song()->SetPosition(3);
    form->playBtnClick();
    form->pauseBtnClick();
    EXPECT_FALSE(Song()->Playing());
    EXPECT_FALSE(form->ModuleTimerActive());
    EXPECT_FALSE(form->stopBtn->isEnabled());
    EXPECT_EQ(Song()->CurrentPosition(), 3);
    form->playBtnClick();
    recorder->names.clear();
    form->stopBtnClick();
    EXPECT_FALSE(Song()->Playing());
    EXPECT_EQ(Song()->CurrentPosition(), 0);
    EXPECT_EQ(recorder->Count(typeid(EvSongPosChange)), 1);
    EXPECT_TRUE(form->posPanel->text().startsWith("0: "));
}

TEST_F(PlaybackTest, ForwardAndBackwardStepThroughTheOrderListAndWrap) {
    const int length = Song()->SongLength();
    form->prevOrderBtnClick();
    EXPECT_EQ(Song()->CurrentPosition(), length - 1);
    form->nxtOrderBtnClick();
    EXPECT_EQ(Song()->CurrentPosition(), 0);
    form->nxtOrderBtnClick();
    EXPECT_EQ(Song()->CurrentPosition(), 1);
    EXPECT_EQ(recorder->Count(typeid(EvSongPosChange)), 3);
}

TEST_F(PlaybackTest, OpeningWhilePlayingPlaysTheNewModuleFromTheStart) {
    Song()->SetPosition(4);
    form->playBtnClick();
    form->OpenModule(CorpusModule("flow.xm").string());
    ASSERT_NE(Song(), nullptr);
    EXPECT_TRUE(Song()->Playing());
    EXPECT_TRUE(form->ModuleTimerActive());
    EXPECT_EQ(Song()->CurrentPosition(), 0);
    form->stopBtnClick();
}

TEST_F(PlaybackTest, FrameKeysWorkWhicheverChildWindowHasTheFocus) {
    auto* edit = new QLineEdit;
    QMdiSubWindow* child = form->MdiArea()->addSubWindow(edit);
    child->show();
    edit->setFocus();
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(edit, Qt::Key_F8);
    EXPECT_TRUE(Song()->Playing());
    const int songMode = Song()->PlayMode();
    QTest::keyClick(edit, Qt::Key_F10);
    EXPECT_FALSE(Song()->Playing());
    EXPECT_EQ(Song()->CurrentPosition(), 0);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Song()->CurrentPosition(), 1);
    QTest::keyClick(edit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Song()->CurrentPosition(), 0);
    QTest::keyClick(edit, Qt::Key_F9);
    EXPECT_TRUE(Song()->Playing());
    EXPECT_NE(Song()->PlayMode(), songMode);
    form->stopBtnClick();
    // Octave keys set the spinner and the base octave, and still reach the child.
    QTest::keyClick(edit, Qt::Key_F2);
    EXPECT_EQ(form->octaveEdit->value(), 1);
    EXPECT_EQ(BaseOctave(), 1);
    QTest::keyClick(edit, Qt::Key_F7);
    EXPECT_EQ(BaseOctave(), 6);
    form->octaveEdit->setValue(7);
    EXPECT_EQ(BaseOctave(), 7);
    // Letters are not the frame's.
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(edit->text(), "a");
}

TEST_F(PlaybackTest, DeactivationSuspendsOutputOnlyWhenNothingPlays) {
    form->playBtnClick();
    QMetaObject::invokeMethod(qApp, "applicationStateChanged", Qt::DirectConnection,
                              Q_ARG(Qt::ApplicationState, Qt::ApplicationInactive));
    EXPECT_FALSE(Audio().Suspended);
    form->stopBtnClick();
    QMetaObject::invokeMethod(qApp, "applicationStateChanged", Qt::DirectConnection,
                              Q_ARG(Qt::ApplicationState, Qt::ApplicationInactive));
    EXPECT_TRUE(Audio().Suspended);
    // The next playback command resumes output.
    form->playBtnClick();
    EXPECT_FALSE(Audio().Suspended);
    form->stopBtnClick();
}

TEST_F(PlaybackTest, TheSoundControlAndConfigurationFollowTheBus) {
    ASSERT_NE(form->SoundForm(), nullptr);
    TChannelGrid* grid = form->SoundForm()->chanGrid;
    const auto shown = [&] {
        int channels = 0;
        for (int row = 0; row < grid->RowCount(); ++row)
            for (int column = 0; column < grid->ColumnCount(); ++column)
                channels += grid->ChannelAt(column, row) >= 0;
        return channels;
    };
    form->SoundControlClick();
    EXPECT_FALSE(form->SoundWindow()->isMinimized());
    QTest::qWait(20);
    EXPECT_EQ(shown(), 8);
    form->chanSpin->setValue(12); // the user's change is announced and the grid follows
    EXPECT_EQ(shown(), 12);
    form->EnvDlg()->mixRateBox->setCurrentIndex(2);
    EXPECT_EQ(Audio().MixRate, 44100); // the dialog's controls count only once announced
    EventManager().Dispatch<EvEnvPropsChange>();
    EXPECT_EQ(Audio().MixRate, 22050);
}
