#include "event_counter.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/windows/cleanup_dlg.h"
#include "ui/windows/cleanup_flow.h"
#include "ui/windows/remove_inst_dlg.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Drives the flow's dialogs through their own buttons and records what it was shown.
class CleanUpTest : public testing::Test {
protected:
    void Open(const char* name) {
        Project().Open((SharedDir() / "corpus" / name).string());
        song = Project().Song();
    }

    void Run(bool patterns, bool instruments, bool ok = true) {
        TCleanUpPrompts prompts;
        prompts.runCleanup = [&](TCleanupDlg& dlg) {
            EXPECT_FALSE(dlg.patternsCB->isChecked());
            EXPECT_FALSE(dlg.instrumentsCB->isChecked());
            dlg.patternsCB->setChecked(patterns);
            dlg.instrumentsCB->setChecked(instruments);
            QTest::mouseClick(ok ? dlg.okBtn : dlg.cancelBtn, Qt::LeftButton);
            return dlg.result();
        };
        prompts.runRemoveInst = [&](TRemoveInstDlg& dlg) {
            ++removeDialogs;
            for (int i = 0; i < dlg.instListBox->count(); ++i)
                listed << dlg.instListBox->item(i)->text();
            onRemoveDialog(dlg);
            return dlg.result();
        };
        prompts.inform = [&](QWidget*, const QString& text) { messages << text; };
        prompts.confirm = [&](QWidget*, const QString& text) {
            questions << text;
            return answerYes;
        };
        RunCleanUp(song, nullptr, prompts);
    }

    std::vector<std::string> InstrumentNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < song->InstrumentCount(); ++i)
            names.push_back(song->Instruments(i)->Name());
        return names;
    }

    TAppObjects objects;
    TSong* song = nullptr;
    // Clean-up announces what it removed, never a reload.
    EventCounter<EvLoadModule> loads;
    EventCounter<EvDeletePattern> patternsGone;
    EventCounter<EvInstListChange> instrumentLists;
    QStringList messages, questions, listed;
    bool answerYes = true;
    int removeDialogs = 0;
    std::function<void(TRemoveInstDlg&)> onRemoveDialog = [](TRemoveInstDlg& dlg) {
        QTest::mouseClick(dlg.okBtn, Qt::LeftButton);
    };
};

} // namespace

TEST_F(CleanUpTest, OkWithBothBoxesClearRemovesNothingAndRecordsNoStep) {
    Open("finalman-quickie.xm");
    const int patterns = song->PatternCount(), instruments = song->InstrumentCount();
    Run(false, false);
    EXPECT_EQ(song->PatternCount(), patterns);
    EXPECT_EQ(song->InstrumentCount(), instruments);
    EXPECT_EQ(SongEdit().History().count(), 0);
    EXPECT_TRUE(messages.isEmpty() && questions.isEmpty() && removeDialogs == 0);

    Run(true, true, /*ok=*/false);
    EXPECT_EQ(song->PatternCount(), patterns);
    EXPECT_EQ(SongEdit().History().count(), 0);
    EXPECT_EQ(loads.Count(), 0);
}

TEST_F(CleanUpTest, UnusedPatternsGoOnlyAfterYes) {
    Open("finalman-quickie.xm");
    const int before = song->PatternCount();
    const size_t unused = song->GetUnusedPatterns().size();
    ASSERT_GT(unused, 0u);

    answerYes = false;
    Run(true, false);
    EXPECT_EQ(questions,
              QStringList{QString("%1 patterns will be deleted.  Proceed?").arg(unused)});
    EXPECT_EQ(song->PatternCount(), before);
    EXPECT_EQ(patternsGone.Count(), 0);

    answerYes = true;
    Run(true, false);
    EXPECT_EQ(song->PatternCount(), before - int(unused));
    EXPECT_TRUE(song->GetUnusedPatterns().empty());
    for (int p = 0; p < song->SongLength(); ++p) EXPECT_LT(song->Orders(p), song->PatternCount());
    EXPECT_EQ(patternsGone.Count(), int(unused));
    EXPECT_EQ(SongEdit().UndoText(), "Clean Up");

    // Nothing left to delete: the user is told so instead of asked.
    Run(true, false);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(messages, QStringList{"No patterns were deleted. All of them are in use."});
    EXPECT_EQ(patternsGone.Count(), int(unused));
    EXPECT_EQ(loads.Count(), 0);
}

TEST_F(CleanUpTest, ListsCandidatesAsHexNumberAndName) {
    Open("dali.xm");
    const std::vector<TInstrument*> unused = song->GetUnusedInstruments();
    const auto tenth = std::find_if(unused.begin(), unused.end(),
                                    [](TInstrument* i) { return i->Number() == 10; });
    ASSERT_NE(tenth, unused.end()) << "dali.xm leaves instrument 10 unused";
    const QString expected = "0A: " + QString::fromLatin1((*tenth)->Name());

    TRemoveInstDlg dlg;
    dlg.Fill(unused);
    EXPECT_EQ(dlg.windowTitle(), "Remove Unsed Instruments");
    ASSERT_EQ(dlg.instListBox->count(), int(unused.size()));
    EXPECT_EQ(dlg.instListBox->item(int(tenth - unused.begin()))->text(), expected);
    for (int i = 0; i < dlg.instListBox->count(); ++i)
        EXPECT_EQ(dlg.instListBox->item(i)->checkState(), Qt::Checked);

    QTest::mouseClick(dlg.unselectAllBtn, Qt::LeftButton);
    for (int i = 0; i < dlg.instListBox->count(); ++i)
        EXPECT_EQ(dlg.instListBox->item(i)->checkState(), Qt::Unchecked);
    QTest::mouseClick(dlg.selectAllBtn, Qt::LeftButton);
    for (int i = 0; i < dlg.instListBox->count(); ++i)
        EXPECT_EQ(dlg.instListBox->item(i)->checkState(), Qt::Checked);
}

TEST_F(CleanUpTest, OnlyTickedInstrumentsAreRemoved) {
    Open("dali.xm");
    const std::vector<TInstrument*> unused = song->GetUnusedInstruments();
    ASSERT_GE(unused.size(), 2u);
    // Keep the first and last candidates; the rest go.
    std::vector<std::string> expected;
    for (int i = 0; i < song->InstrumentCount(); ++i) {
        TInstrument* instrument = song->Instruments(i);
        const bool candidate = std::find(unused.begin(), unused.end(), instrument) != unused.end();
        if (!candidate || instrument == unused.front() || instrument == unused.back())
            expected.push_back(instrument->Name());
    }
    onRemoveDialog = [](TRemoveInstDlg& dlg) {
        dlg.instListBox->item(0)->setCheckState(Qt::Unchecked);
        dlg.instListBox->item(dlg.instListBox->count() - 1)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(dlg.okBtn, Qt::LeftButton);
    };
    Run(false, true);
    EXPECT_EQ(removeDialogs, 1);
    EXPECT_EQ(listed.size(), int(unused.size()));
    EXPECT_EQ(song->InstrumentCount(), int(expected.size()));
    EXPECT_EQ(InstrumentNames(), expected);
    EXPECT_EQ(song->GetUnusedInstruments().size(), 2u);
    EXPECT_EQ(instrumentLists.Count(), 1);
}

TEST_F(CleanUpTest, UntickingEverythingOrCancellingRemovesNothing) {
    Open("dali.xm");
    const std::vector<std::string> names = InstrumentNames();
    onRemoveDialog = [](TRemoveInstDlg& dlg) {
        QTest::mouseClick(dlg.unselectAllBtn, Qt::LeftButton);
        QTest::mouseClick(dlg.okBtn, Qt::LeftButton);
    };
    Run(false, true);
    EXPECT_EQ(InstrumentNames(), names);

    onRemoveDialog = [](TRemoveInstDlg& dlg) { QTest::mouseClick(dlg.cancelBtn, Qt::LeftButton); };
    Run(false, true);
    EXPECT_EQ(InstrumentNames(), names);
    EXPECT_EQ(removeDialogs, 2);
    EXPECT_EQ(instrumentLists.Count(), 0);
}

TEST_F(CleanUpTest, SecondDialogStaysAwayWhenEveryInstrumentIsUsed) {
    Open("dali.xm");
    song->RemoveInstruments(song->GetUnusedInstruments());
    ASSERT_TRUE(song->GetUnusedInstruments().empty());
    const int instruments = song->InstrumentCount();
    Run(false, true);
    EXPECT_EQ(removeDialogs, 0);
    EXPECT_EQ(song->InstrumentCount(), instruments);
    EXPECT_EQ(SongEdit().History().count(), 0);
}

TEST_F(CleanUpTest, PatternsGoFirstSoTheirInstrumentsBecomeCandidates) {
    Open("finalman-quickie.xm");
    // An unplayed pattern that alone uses a fresh instrument.
    TInstrument* fresh = song->InsertInstrument(-1);
    fresh->SetName("only in an unplayed pattern");
    const int patterns = song->PatternCount();
    song->InsertPattern(-1);
    ASSERT_EQ(song->PatternCount(), patterns + 1);
    song->Patterns(song->PatternCount() - 1)->SetInstrument(0, 0, uint8_t(fresh->Number()));
    const std::vector<TInstrument*> before = song->GetUnusedInstruments();
    ASSERT_EQ(std::find(before.begin(), before.end(), fresh), before.end());
    const QString line = QString::number(fresh->Number(), 16).toUpper().rightJustified(2, '0') +
                         ": only in an unplayed pattern";
    Run(true, true);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(listed.contains(line)) << listed.join(" | ").toStdString();
    EXPECT_TRUE(song->GetUnusedInstruments().empty());
}

TEST(CleanUpWithoutSong, DoesNothing) {
    TAppObjects objects;
    EventCounter<EvLoadModule> loads;
    TCleanUpPrompts prompts;
    bool asked = false;
    prompts.runCleanup = [&](TCleanupDlg&) {
        asked = true;
        return int(QDialog::Accepted);
    };
    RunCleanUp(Project().Song(), nullptr, prompts);
    EXPECT_FALSE(asked);
    EXPECT_EQ(loads.Count(), 0);
}
