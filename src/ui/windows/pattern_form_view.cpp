// The pattern window as a view of the song: its listener and the refreshes it runs.
#include "edit/info_labels.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/font_button.h"
#include "ui/widgets/piano_roll.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/filter_popup.h"
#include "ui/windows/main_form.h"
#include "ui/windows/pattern_form.h"
#include "ui/windows/pattern_form_listener.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <algorithm>

void TPatternFormListener::HandleEvent(TZEvent& event, int32_t /*tag*/) {
    if (dynamic_cast<EvLoadModule*>(&event)) {
        form_->LoadModule();
    } else if (dynamic_cast<EvClosedModule*>(&event)) {
        form_->CloseModule();
    } else if (dynamic_cast<EvSongPosChange*>(&event)) {
        form_->FollowSong();
    } else if (dynamic_cast<EvTrackCountChange*>(&event)) {
        form_->RefreshPattern();
    } else if (auto* change = dynamic_cast<EvPatternChange*>(&event)) {
        form_->PatternChanged(change->Pattern, change->Track, change->Row, change->Sender);
    } else if (auto* prop = dynamic_cast<EvPatternPropChange*>(&event)) {
        form_->PatternPropChanged(prop->Pattern, prop->Form);
    } else if (auto* inserted = dynamic_cast<EvInsertPattern*>(&event)) {
        form_->PatternInserted(inserted->Index);
    } else if (auto* deleted = dynamic_cast<EvDeletePattern*>(&event)) {
        form_->PatternDeleted(deleted->Index);
    } else if (dynamic_cast<EvEnvPropsChange*>(&event)) {
        form_->ApplyVisualSettings();
    } else if (dynamic_cast<EvChannelMuteChange*>(&event)) {
        form_->Grid()->RepaintHeader();
    } else if (dynamic_cast<EvInstListChange*>(&event)) {
        form_->FillInstrumentLists(true);
    }
}

void TPatternForm::LoadModule() {
    TSong* song = Song();
    if (!song) return;
    followBtn->setEnabled(true);
    FillPatternList();
    FillInstrumentLists(false);
    eventGrid->SetCursor(TGridCursor(0, 0, kPosNote));
    if (song->PatternCount() > 0) SelectPattern(song->CurrentPattern());
    eventGrid->SetCursorRow(song->CurrentRow());
}

void TPatternForm::CloseModule() {
    followBtn->setEnabled(false);
    filling_ = true;
    patternListBox->clear();
    filling_ = false;
    shownPattern_ = nullptr;
    RefreshPattern();
}

void TPatternForm::SelectPattern(int index) {
    TSong* song = Song();
    if (!song || song->PatternCount() == 0) {
        shownPattern_ = nullptr;
        RefreshPattern();
        return;
    }
    index = std::clamp(index, 0, song->PatternCount() - 1);
    filling_ = true;
    patternListBox->setCurrentRow(index);
    filling_ = false;
    shownPattern_ = song->Patterns(index);
    RefreshPattern();
}

void TPatternForm::patternListBoxClick() {
    const int row = patternListBox->currentRow();
    SelectPattern(row < 0 ? 0 : row);
}

void TPatternForm::RefreshPattern() {
    if (shownPattern_) rowEdit->SetValue(shownPattern_->RowCount());
    RefreshGrid();
}

void TPatternForm::RefreshGrid() {
    const bool shown = Song() && shownPattern_ && patternListBox->currentRow() >= 0;
    TPattern* pattern = shown ? shownPattern_ : nullptr;
    if (eventGrid->Pattern() == pattern)
        eventGrid->RefreshGrid();
    else
        eventGrid->SetPattern(pattern);
    if (pianoRoll->Pattern() == pattern)
        pianoRoll->Refresh();
    else
        pianoRoll->SetPattern(pattern);
}

void TPatternForm::FollowSong() {
    TSong* song = Song();
    if (!song) return;
    if (FollowSongPosition()) {
        const int playing = song->CurrentPattern();
        if (playing >= 0 && playing != patternListBox->currentRow()) SelectPattern(playing);
    }
    if (FollowSongRow() && shownPattern_ && shownPattern_->Number() == song->CurrentPattern()) {
        eventGrid->SetCursorRow(song->CurrentRow());
        pianoRoll->SetSongRow(song->CurrentRow());
        if (song->Playing() && !pianoRoll->FollowingPlayback())
            pianoRoll->FollowPlayback([this] { return PlayingRowShown(); },
                                      song->Speed() * 2500.0 / std::max(1, song->Tempo()));
    }
}

int TPatternForm::PlayingRowShown() {
    TSong* song = Song();
    if (!song || !song->Playing() || !FollowSongRow() || !shownPattern_ ||
        shownPattern_->Number() != song->CurrentPattern())
        return -1;
    return song->CurrentRow();
}

void TPatternForm::PatternChanged(TPattern* pattern, int track, int row, const void* sender) {
    if (!pattern || pattern != shownPattern_) return;
    if (sender != pianoRoll) pianoRoll->PatternChanged(track, row);
    if (sender == eventGrid) return;
    if (track == -1)
        RefreshGrid();
    else if (row != -1)
        eventGrid->RepaintTrackRow(track, row);
    else
        eventGrid->RepaintTrack(track);
    UpdateInfoLabels();
}

void TPatternForm::PatternPropChanged(TPattern* pattern, const void* form) {
    if (!pattern || pattern != shownPattern_) return;
    RefreshGrid();
    pianoRoll->PatternChanged(-1, -1);
    if (form != this) rowEdit->SetValue(pattern->RowCount());
}

void TPatternForm::PatternInserted(int index) {
    filling_ = true;
    patternListBox->addItem(QString::number(patternListBox->count()));
    filling_ = false;
    SelectPattern(std::max(0, index));
}

void TPatternForm::PatternDeleted(int index) {
    filling_ = true;
    delete patternListBox->takeItem(patternListBox->count() - 1);
    filling_ = false;
    // The shown pattern may be the one that went: choose again by number.
    shownPattern_ = nullptr;
    SelectPattern(std::max(0, index));
}

void TPatternForm::ApplyVisualSettings() {
    TGridVisuals visuals;
    const TEnvDlg* dlg = MainForm() ? MainForm()->EnvDlg() : nullptr;
    if (dlg) {
        visuals.background = dlg->gridBgCol->Color();
        visuals.row = dlg->gridHlRowCol->Color();
        visuals.selection = dlg->gridSelCol->Color();
        visuals.highlightText = dlg->gridHlTxtCol->Color();
        visuals.highlightStep = dlg->gridHlStep->value();
        visuals.scrollMode = std::max(0, dlg->gridScrollMode->CurrentIndex());
        visuals.font = dlg->gridFont->Font();
    }
    eventGrid->SetVisuals(visuals);
}

void TPatternForm::FillPatternList() {
    filling_ = true;
    patternListBox->clear();
    if (TSong* song = Song())
        for (int i = 0; i < song->PatternCount(); ++i) patternListBox->addItem(QString::number(i));
    filling_ = false;
}

void TPatternForm::FillInstrumentLists(bool keep) {
    QStringList items;
    if (TSong* song = Song())
        for (int i = 0; i < song->InstrumentCount(); ++i)
            items << QString("%1: %2")
                         .arg(i, 2, 16, QChar('0'))
                         .toUpper()
                         .arg(QString::fromStdString(song->Instruments(i)->Name()));
    for (QComboBox* box : {srcInstList, destInstList, eventInstBox, instBox}) {
        const int before = box->currentIndex();
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(keep && before >= 0 && before < box->count() ? before
                             : box->count() > 0                           ? 0
                                                                          : -1);
    }
    if (TinstPopupForm::Instance()->Bound() == this) TinstPopupForm::Instance()->Fill(items);
}

void TPatternForm::UpdateInfoLabels() {
    TSong* song = Song();
    if (!song || !shownPattern_) return;
    const TGridCursor& cursor = eventGrid->Editor().cursor;
    if (cursor.CursorRow() >= shownPattern_->RowCount() ||
        cursor.CursorTrack() >= shownPattern_->TrackCount())
        return;
    const TInfoLabels labels = InfoLabels(
        *song, shownPattern_->GetCell(cursor.CursorTrack(), cursor.CursorRow()), cursor.Column());
    instLabel->setText(QString::fromStdString(labels.instrument));
    effectCaption->setText(QString::fromStdString(labels.caption));
    effectLabel->setText(QString::fromStdString(labels.detail));
}
