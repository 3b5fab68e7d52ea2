#include "ui/windows/main_listener.h"

#include "model/audio.h"
#include "ui/windows/channel_grid.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/main_form.h"
#include "ui/windows/sound_form.h"

void TMainListener::HandleEvent(TZEvent& event, int32_t /*tag*/) {
    if (!dynamic_cast<EvSongPosChange*>(&event)) form_->SongTimingChanged();
    if (dynamic_cast<EvSongPosChange*>(&event)) {
        form_->ShowPosition();
        form_->FollowPosition();
    } else if (dynamic_cast<EvLoadModule*>(&event)) {
        form_->UpdateCaption();
        form_->ShowPosition();
        form_->FillOrderGrid();
        form_->UpdateScrollButtons();
        form_->ShowSongProperties();
        if (form_->SoundForm()) form_->SoundForm()->Refresh();
    } else if (dynamic_cast<EvClosedModule*>(&event)) {
        if (Audio().Active) Audio().ShutDown();
        form_->FillOrderGrid();
        form_->ClearSongProperties();
    } else if (dynamic_cast<EvPositionRenumber*>(&event) ||
               dynamic_cast<EvPositionInsDel*>(&event)) {
        form_->FillOrderGrid();
        form_->UpdateScrollButtons();
    } else if (dynamic_cast<EvEnvPropsChange*>(&event)) {
        if (form_->EnvDlg()) form_->EnvDlg()->ApplyAudioSettings();
        form_->StartAutosave();
    } else if (dynamic_cast<EvTrackCountChange*>(&event)) {
        form_->ShowSongProperties();
        if (form_->SoundForm()) form_->SoundForm()->Refresh();
    } else if (dynamic_cast<EvChannelMuteChange*>(&event)) {
        if (form_->SoundForm()) form_->SoundForm()->chanGrid->update();
    } else if (dynamic_cast<EvSongPropChange*>(&event)) {
        form_->ShowSongProperties();
    }
}
