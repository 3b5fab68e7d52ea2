#include "ui/windows/sample_editor_look.h"

#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/env_dlg.h"

#include <QCheckBox>

void ApplySampleEditorLook(TSampleEditor& editor, const TEnvDlg& dlg) {
    editor.SetBackgroundColor(dlg.smpBgCol->Color());
    editor.SetCenterColor(dlg.smpCenterCol->Color());
    editor.SetMidPointColor(dlg.smpMidCol->Color());
    editor.SetSampleColor(dlg.smpWaveCol->Color());
    editor.SetLoopColor(dlg.smpLoopCol->Color());
    editor.SetDrawMode(dlg.smpViewStyleBox->CurrentIndex() == 1 ? dmSolid : dmRelative);
    editor.SetAveraging(dlg.aveCB->isChecked());
}
