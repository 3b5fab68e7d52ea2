// The configuration dialog's "Sample Editor" page applied to a sample editor.
#pragma once

class TEnvDlg;
class TSampleEditor;

void ApplySampleEditorLook(TSampleEditor& editor, const TEnvDlg& dlg);
