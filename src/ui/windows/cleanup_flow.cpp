#include "ui/windows/cleanup_flow.h"

#include "model/song.h"
#include "project/app_objects.h"
#include "ui/windows/cleanup_dlg.h"
#include "ui/windows/remove_inst_dlg.h"

#include <QCheckBox>
#include <QMessageBox>

TCleanUpPrompts DefaultCleanUpPrompts() {
    TCleanUpPrompts prompts;
    prompts.runCleanup = [](TCleanupDlg& dlg) { return dlg.exec(); };
    prompts.runRemoveInst = [](TRemoveInstDlg& dlg) { return dlg.exec(); };
    prompts.inform = [](QWidget* parent, const QString& text) {
        QMessageBox::information(parent, "Clean Up", text);
    };
    prompts.confirm = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, "Clean Up", text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    return prompts;
}

void RunCleanUp(TSong* song, QWidget* parent, const TCleanUpPrompts& prompts) {
    if (!song) return;
    TCleanupDlg cleanup(parent);
    if (prompts.runCleanup(cleanup) != QDialog::Accepted) return;

    if (cleanup.patternsCB->isChecked()) {
        const std::vector<TPattern*> unused = song->GetUnusedPatterns();
        if (unused.empty())
            prompts.inform(parent, "No patterns were deleted. All of them are in use.");
        else if (prompts.confirm(
                     parent, QString("%1 patterns will be deleted.  Proceed?").arg(unused.size())))
            song->DeletePatterns(unused);
    }

    if (cleanup.instrumentsCB->isChecked()) {
        const std::vector<TInstrument*> unused = song->GetUnusedInstruments();
        if (!unused.empty()) {
            TRemoveInstDlg remove(parent);
            remove.Fill(unused);
            if (prompts.runRemoveInst(remove) == QDialog::Accepted && !remove.Instruments().empty())
                song->RemoveInstruments(remove.Instruments());
        }
    }

    EventManager().Dispatch<EvLoadModule>();
}
