// The main window's pattern editors, and one of them showing a new empty pattern on its piano
// roll, scrolled to the middle octaves.
#pragma once

#include "main_form_fixture.h"
#include "model/song.h"
#include "ui/widgets/piano_roll.h"
#include "ui/windows/pattern_form.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTabWidget>
#include <vector>

class PatternWindowsTest : public MainFormTest {
protected:
    std::vector<TPatternForm*> Forms() const {
        std::vector<TPatternForm*> forms;
        for (QMdiSubWindow* window : form->MdiArea()->subWindowList())
            if (auto* patternForm = qobject_cast<TPatternForm*>(window->widget()))
                forms.push_back(patternForm);
        return forms;
    }

    // Shows a corpus song and takes the pattern window the start-up opens.
    void ShowFirstPatternWindow() {
        ShowWithModule("finalman-quickie.xm");
        ASSERT_FALSE(Forms().empty()) << "the start-up opens the first pattern editor";
        pf = Forms().front();
    }

    TPatternForm* pf = nullptr;
};

class PianoRollWindowTest : public PatternWindowsTest {
protected:
    void SetUp() override {
        PatternWindowsTest::SetUp();
        ShowFirstPatternWindow();
        if (HasFatalFailure()) return;
        roll = pf->Roll();
        const int index = Song()->PatternCount();
        SongEdit().InsertPattern(index, false);
        pattern = Song()->Patterns(index);
        ASSERT_EQ(pf->ShownPattern(), pattern);
        pf->editorPages->setCurrentWidget(pf->pianoRollSheet);
        roll->verticalScrollBar()->setValue(40);
        roll->Model().currentInstrument = 0;
        QTest::qWait(30);
    }

    TPianoRoll* roll = nullptr;
    TPattern* pattern = nullptr;
};
