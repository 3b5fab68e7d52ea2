// The pattern list, the row count tools and the range tools of the pattern window. Each change
// goes through the edit layer, which records it and tells every view.
#include "edit/range_ops.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/main_form.h"
#include "ui/windows/pattern_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>

void TPatternForm::insButtonClick() {
    TSong* song = Song();
    if (!song) return;
    const int index = patternListBox->currentRow() + 1; // 0 with nothing selected
    SongEdit().InsertPattern(index, renumberCB->isChecked());
}

void TPatternForm::delButtonClick() {
    TSong* song = Song();
    if (!song) return;
    if (song->PatternCount() <= 1) {
        QApplication::beep();
        return;
    }
    const int index = patternListBox->currentRow();
    if (index < 0) return;
    if (QMessageBox::question(this, "Confirm",
                              "Are you sure you would like to delete this pattern?",
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    SongEdit().DeletePatterns({index}, renumberCB->isChecked());
}

void TPatternForm::rowEditChange(int rows) {
    if (!Song() || !shownPattern_ || rows < 1 || rows > 256) return;
    SongEdit().SetRowCount(shownPattern_->Number(), rows, this);
}

void TPatternForm::expandBtnClick() {
    if (!Song() || !shownPattern_) return;
    if (!SongEdit().ExpandRows(shownPattern_->Number()))
        QMessageBox::information(this, "Information", "Pattern cannot be expanded anymore.");
}

void TPatternForm::shrinkButtonClick() {
    if (!Song() || !shownPattern_) return;
    if (shownPattern_->ShrinkRows(true) &&
        QMessageBox::warning(this, "Warning", "Some notes/data may be lost.  Continue?",
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    SongEdit().ShrinkRows(shownPattern_->Number());
}

std::vector<int> TPatternForm::ScopePatterns(TApplyScope scope) const {
    std::vector<int> patterns;
    if (scope == TApplyScope::Song) {
        for (int i = 0; i < Song()->PatternCount(); ++i) patterns.push_back(i);
    } else if (shownPattern_) {
        patterns.push_back(shownPattern_->Number());
    }
    return patterns;
}

void TPatternForm::ApplyToScope(
    TApplyScope scope, const QString& text,
    const std::function<TCellChanges(const TPattern&, const TCellRange&)>& op) {
    TGridEditor& editor = eventGrid->Editor();
    editor.applyScope = scope;
    const std::vector<int> patterns = ScopePatterns(scope);
    // A song-wide edit is one step of the history, however many patterns it touches.
    const bool macro = patterns.size() > 1;
    if (macro) SongEdit().History().beginMacro(text);
    for (const int number : patterns) {
        const TPattern& pattern = *Song()->Patterns(number);
        const TCellRange range = editor.ScopeOf(pattern);
        if (!range.IsEmpty()) SongEdit().ChangeCells(number, op(pattern, range), text);
    }
    if (macro) SongEdit().History().endMacro();
}

void TPatternForm::Transpose(int semitones) {
    if (!Song()) return;
    std::vector<int> selected;
    if (MainForm() && MainForm()->InstForm())
        selected = MainForm()->InstForm()->SelectedInstruments();
    const TInstrumentFilter filter = instApplyBox->CurrentIndex() == 1
                                         ? TInstrumentFilter::All()
                                         : TInstrumentFilter::Only(std::move(selected));
    ApplyToScope(TApplyScope(trApplyToBox->CurrentIndex()), "Transpose",
                 [&](const TPattern& pattern, const TCellRange& range) {
                     return TransposeChanges(pattern, range, semitones, filter);
                 });
}

void TPatternForm::remapBtnClick() {
    if (!Song()) return;
    const int from = srcInstList->currentIndex();
    const int to = destInstList->currentIndex();
    if (from < 0 || to < 0) return;
    ApplyToScope(TApplyScope(rmpApplyToBox->CurrentIndex()), "Remap",
                 [&](const TPattern& pattern, const TCellRange& range) {
                     return RemapChanges(pattern, range, from, to);
                 });
}
