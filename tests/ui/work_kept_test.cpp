// The user's work is never lost: the modified mark, the questions before it would go, a bad file
// that costs nothing, crash recovery, and the song bar's traps. Real dialogs, answered here.
#include "main_form_fixture.h"
#include "model/errors.h"
#include "model/song_dump.h"
#include "project/autosave.h"
#include "ui/cantor_application.h"
#include "ui/pattern_clipboard.h"
#include "ui/widgets/file_panel.h"
#include "ui/widgets/recent_files.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>

namespace {

class WorkKeptTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowWithModule("finalman-quickie.xm");
    }

    // The next "Save changes to NAME?" gets this answer; the question is kept.
    void AnswerSaveChanges(QMessageBox::StandardButton answer) {
        WhenShown<QMessageBox>([this, answer](QMessageBox* box) {
            question = box->text();
            box->button(answer)->click();
        });
    }

    // Types into a spin box as the user does, then Return.
    static void TypeInto(QSpinBox* spin, const QString& text) {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, text);
        QTest::keyClick(spin, Qt::Key_Return);
    }

    QString question;
};

} // namespace

TEST_F(WorkKeptTest, TheCaptionMarksAModifiedSongAndUndoClearsTheMark) {
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm");
    EXPECT_FALSE(form->undoAct->isEnabled());
    TypeInto(form->tempoSpin, "99");
    EXPECT_EQ(Song()->Tempo(), 99);
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm*");
    EXPECT_TRUE(form->undoAct->isEnabled());
    EXPECT_EQ(form->undoAct->text(), "&Undo Set Tempo");

    form->undoAct->trigger();
    EXPECT_EQ(Song()->Tempo(), 120);
    EXPECT_EQ(form->tempoSpin->value(), 120) << "the bar follows the undo";
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm");
    EXPECT_EQ(form->redoAct->text(), "&Redo Set Tempo");
    QTest::keySequence(form.get(), QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(Song()->Tempo(), 99);
    QTest::keySequence(form.get(), QKeySequence("Ctrl+Z"));
    QTest::keySequence(form.get(), QKeySequence("Ctrl+Y"));
    EXPECT_EQ(Song()->Tempo(), 99);
}

TEST_F(WorkKeptTest, NewAndOpenAskAboutUnsavedChanges) {
    SongEdit().SetName("edited");
    // Cancel keeps the song as it is.
    AnswerSaveChanges(QMessageBox::Cancel);
    form->newAct->trigger();
    EXPECT_EQ(question, "Save changes to finalman-quickie.xm?");
    EXPECT_EQ(Song()->Name(), "edited");
    EXPECT_TRUE(SongEdit().Modified());

    question.clear();
    AnswerSaveChanges(QMessageBox::Cancel);
    form->OpenFromPanel(QString::fromStdString(CorpusModule("walk.xm").string()));
    EXPECT_FALSE(question.isEmpty());
    EXPECT_EQ(Song()->Name(), "edited");

    // Discard drops it; the new song starts with a fresh history.
    AnswerSaveChanges(QMessageBox::Discard);
    form->OpenRecentFile(QString::fromStdString(CorpusModule("walk.xm").string()));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - walk.xm");
    EXPECT_FALSE(SongEdit().CanUndo());

    // Nothing modified: no question at all.
    question.clear();
    form->NewModule();
    EXPECT_TRUE(question.isEmpty());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - Untitled");
}

TEST_F(WorkKeptTest, SaveInTheQuestionSavesThroughTheDialogBeforeOpening) {
    const auto folder = TempDir();
    form->FilePanel()->SelectFolder(QString::fromStdString(folder.string()));
    form->NewModule();
    SongEdit().SetName("keep me");
    WhenShown<QMessageBox>([](QMessageBox* box) {
        WhenShown<QFileDialog>([](QFileDialog* dialog) { ChooseFile(dialog, "kept"); });
        box->button(QMessageBox::Save)->click();
    });
    form->OpenModule(CorpusModule("walk.xm").string());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - walk.xm");
    ASSERT_TRUE(std::filesystem::exists(folder / "kept.xm"));
    form->OpenModule((folder / "kept.xm").string());
    EXPECT_EQ(Song()->Name(), "keep me");

    // Cancelling the save dialog cancels the open too.
    SongEdit().SetName("still here");
    WhenShown<QMessageBox>([](QMessageBox* box) {
        WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        box->button(QMessageBox::Save)->click();
    });
    EXPECT_FALSE(form->OpenModule(CorpusModule("walk.xm").string()));
    EXPECT_EQ(Song()->Name(), "still here");
}

TEST_F(WorkKeptTest, QuittingAsksAndCancelKeepsTheWindow) {
    SongEdit().SetTempo(100);
    AnswerSaveChanges(QMessageBox::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(question, "Save changes to finalman-quickie.xm?");
    AnswerSaveChanges(QMessageBox::Discard);
    EXPECT_TRUE(form->close());
}

TEST_F(WorkKeptTest, ACorruptFileOpenedOverAnEditedSongCostsNothing) {
    SongEdit().SetTempo(77);
    SongEdit().SetOrder(0, 1);
    const std::string edited = DumpSong(*Song());
    TSong* song = Song();
    form->playBtnClick();
    ASSERT_TRUE(Song()->Playing());
    recorder->names.clear();
    AnswerSaveChanges(QMessageBox::Discard);
    EXPECT_TRUE(DeliverGuarded([&] {
        form->OpenModule(CorruptModule().string());
        return true;
    }));
    EXPECT_TRUE(form->infoPanel1->text().startsWith("ESongError: ")) << "shown in the message line";
    EXPECT_EQ(Song(), song);
    EXPECT_TRUE(Song()->Playing());
    EXPECT_TRUE(form->stopBtn->isEnabled());
    EXPECT_EQ(DumpSong(*Song()), edited);
    EXPECT_TRUE(SongEdit().Modified());
    EXPECT_TRUE(SongEdit().CanUndo());
    EXPECT_TRUE(recorder->names.empty()) << "no view was told to close";
    EXPECT_EQ(form->tempoSpin->value(), 77);
    form->stopBtnClick();
}

TEST_F(WorkKeptTest, AnAutosaveFoundAtStartIsOfferedAndRestoresTheEditedSong) {
    form->EnvDlg()->autosaveEd->SetValue(1);
    form->StartAutosave();
    SongEdit().SetTempo(91);
    SongEdit().SetName("unsaved work");
    const std::string edited = DumpSong(*Song());
    const QString original = QString::fromStdString(Project().FileName());
    ASSERT_TRUE(WaitFor([] { return !QDir(TAutosave::Folder()).entryList({"*.xm"}).isEmpty(); }));
    // The user's own file is never the target.
    EXPECT_NE(DumpSong(*Song()), DumpSong(*std::make_unique<TSong>(original.toStdString())));

    // Play the crash: this run's copy becomes one of a run that is gone.
    const QDir folder(TAutosave::Folder());
    const QString mine = QString("run-%1").arg(QCoreApplication::applicationPid());
    const QString gone = "run-999999999";
    ASSERT_TRUE(QFile::rename(folder.filePath(mine + ".xm"), folder.filePath(gone + ".xm")));
    ASSERT_TRUE(QFile::rename(folder.filePath(mine + ".ini"), folder.filePath(gone + ".ini")));
    AnswerSaveChanges(QMessageBox::Discard);
    form->NewModule();

    QString offer;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        offer = box->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "Restore") button->click();
    });
    form->OfferRestore();
    EXPECT_TRUE(offer.startsWith("Restore unsaved changes to finalman-quickie.xm from "))
        << offer.toStdString();
    EXPECT_EQ(DumpSong(*Song()), edited);
    EXPECT_EQ(QString::fromStdString(Project().FileName()), original);
    EXPECT_TRUE(SongEdit().Modified());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm*");
    EXPECT_TRUE(TAutosave::Orphans().empty()) << "a restored copy is not offered twice";
}

TEST_F(WorkKeptTest, DiscardingAnOfferedAutosaveDeletesIt) {
    QDir().mkpath(TAutosave::Folder());
    const QDir folder(TAutosave::Folder());
    ASSERT_TRUE(QFile::copy(QString::fromStdString(CorpusModule("walk.xm").string()),
                            folder.filePath("run-999999998.xm")));
    {
        QSettings info(folder.filePath("run-999999998.ini"), QSettings::IniFormat);
        info.setValue("original", "/somewhere/walk.xm");
        info.setValue("time", QDateTime::currentDateTime());
    }
    ASSERT_EQ(TAutosave::Orphans().size(), 1u);
    WhenShown<QMessageBox>([](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "Discard") button->click();
    });
    form->OfferRestore();
    EXPECT_TRUE(TAutosave::Orphans().empty());
    EXPECT_FALSE(folder.exists("run-999999998.xm"));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - finalman-quickie.xm");
}

TEST_F(WorkKeptTest, SavingOrQuittingCleanlyRemovesTheAutosave) {
    form->EnvDlg()->autosaveEd->SetValue(1);
    form->StartAutosave();
    SongEdit().SetTempo(91);
    ASSERT_TRUE(WaitFor([] { return !QDir(TAutosave::Folder()).entryList({"*.xm"}).isEmpty(); }));
    AnswerSaveChanges(QMessageBox::Discard);
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QDir(TAutosave::Folder()).entryList({"*.xm"}).isEmpty());
}

TEST_F(WorkKeptTest, TypingIntoTheNumberFieldsNeverReachesTheSongHalfway) {
    // "12" would first be 1 if every keystroke counted; and 1 is no channel count at all.
    recorder->names.clear();
    TypeInto(form->chanSpin, "12");
    EXPECT_EQ(Song()->ChannelCount(), 12);
    EXPECT_EQ(SongEdit().History().count(), 1);
    TypeInto(form->tempoSpin, "150");
    EXPECT_EQ(Song()->Tempo(), 150);
    EXPECT_EQ(SongEdit().History().count(), 2);
}

TEST_F(WorkKeptTest, LoweringTheChannelCountOverDataAsksNamingTheCells) {
    const int cells = SongEdit().CellsBeyondTrack(4);
    ASSERT_GT(cells, 0);
    QString asked;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
    });
    TypeInto(form->chanSpin, "4");
    EXPECT_TRUE(asked.contains(QString::number(cells))) << asked.toStdString();
    EXPECT_EQ(Song()->ChannelCount(), 8);
    EXPECT_EQ(form->chanSpin->value(), 8);

    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    TypeInto(form->chanSpin, "4");
    EXPECT_EQ(Song()->ChannelCount(), 4);
    // Raising never asks, and the dropped cells come back with an undo.
    form->undoAct->trigger();
    EXPECT_EQ(SongEdit().CellsBeyondTrack(4), cells);
}

TEST_F(WorkKeptTest, TheFieldsHoldWhatTheFileHolds) {
    EXPECT_EQ(form->songNameEd->maxLength(), 20);
    EXPECT_EQ(form->chanSpin->minimum(), 4);
    EXPECT_EQ(form->chanSpin->maximum(), 32);
    TypeInto(form->chanSpin, "32");
    EXPECT_EQ(Song()->ChannelCount(), 32);
    form->songNameEd->setFocus();
    form->songNameEd->selectAll();
    QTest::keyClicks(form->songNameEd, "a name far longer than twenty");
    EXPECT_EQ(Song()->Name(), "a name far longer th");
    EXPECT_EQ(SongEdit().UndoText(), "Song Name") << "typing is one step";
    EXPECT_EQ(SongEdit().History().count(), 2);
}

TEST_F(WorkKeptTest, SavingAnImportedModuleProposesAnXmBesideIt) {
    const auto folder = TempDir();
    const auto original = folder / "song.s3m";
    std::filesystem::copy_file(CorpusModule("ritam.s3m"), original);
    const std::string originalBytes = FileBytes(original);
    form->OpenModule(original.string());
    QString proposed;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        proposed = dialog->selectedFiles().value(0);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    form->Save1Click();
    EXPECT_EQ(std::filesystem::path(proposed.toStdString()), folder / "song.xm");
    EXPECT_EQ(FileBytes(original), originalBytes) << "the original is never the target";
    EXPECT_TRUE(std::filesystem::exists(folder / "song.xm"));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - song.xm");
}

TEST_F(WorkKeptTest, BlocksTravelOnTheSystemClipboardAndCutIsOneStep) {
    QGuiApplication::clipboard()->setText("plain text");
    EXPECT_FALSE(PatternClipboard::HasBlock());
    EXPECT_THROW(PatternClipboard::Paste(*Song()->Patterns(0), 0, 0), EPatternError);

    TPattern* pattern = Song()->Patterns(0);
    const TCell a = pattern->GetCell(0, 0), b = pattern->GetCell(1, 1);
    PatternClipboard::Cut(*pattern, 0, 1, 0, 1);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 0));
    ASSERT_TRUE(PatternClipboard::HasBlock());
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("Cantorwright Pattern"));
    EXPECT_EQ(SongEdit().UndoText(), "Cut");

    TPattern* other = Song()->Patterns(1);
    PatternClipboard::Paste(*other, 4, 10);
    EXPECT_EQ(other->GetCell(4, 10).note, a.note);
    EXPECT_EQ(other->GetCell(5, 11).note, b.note);
    SongEdit().Undo();
    SongEdit().Undo();
    EXPECT_EQ(pattern->GetCell(0, 0), a);
}

TEST_F(WorkKeptTest, TheOpenDialogOpensThroughTheQuestionAndRemembersTheFile) {
    const auto folder = TempDir();
    const auto file = folder / "tune.xm";
    std::filesystem::copy_file(CorpusModule("walk.xm"), file);
    QSettings("Cantorwright", "Cantorwright")
        .setValue("ModuleDir", QString::fromStdString(folder.string()));
    SongEdit().SetTempo(101);
    QString startFolder;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        startFolder = dialog->directory().absolutePath();
        WhenShown<QMessageBox>(
            [](QMessageBox* box) { box->button(QMessageBox::Discard)->click(); });
        ChooseFile(dialog, "tune.xm");
    });
    form->openFileAct->trigger();
    EXPECT_EQ(startFolder.toStdString(), folder.string());
    EXPECT_EQ(form->windowTitle(), "Cantorwright - tune.xm");
    EXPECT_EQ(Project().FileName(), file.string());
    EXPECT_EQ(form->RecentFiles()->Files().value(0).toStdString(), file.string());
}

TEST_F(WorkKeptTest, TheFilePanelTakesATypedFolder) {
    const auto folder = TempDir();
    std::filesystem::copy_file(CorpusModule("walk.xm"), folder / "a.xm");
    form->openAct->trigger();
    QLineEdit* path = form->FilePanel()->PathEdit();
    path->setFocus();
    path->setText(QString::fromStdString(folder.string()));
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_EQ(form->FilePanel()->SelectedFolder().toStdString(), folder.string() + "/");
}

TEST_F(WorkKeptTest, ASuccessClearsAStaleErrorButNotAMessage) {
    EXPECT_TRUE(DeliverGuarded([&] {
        form->OpenModule(CorruptModule().string());
        return true;
    }));
    ASSERT_TRUE(form->infoPanel1->styleSheet().contains("red"));
    form->playBtnClick();
    EXPECT_TRUE(form->infoPanel1->text().isEmpty());
    form->stopBtnClick();
    form->ShowMessage("a note");
    form->OpenModule(CorpusModule("walk.xm").string());
    EXPECT_EQ(form->infoPanel1->text(), "a note");
}
