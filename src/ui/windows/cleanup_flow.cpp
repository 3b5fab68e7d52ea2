#include "ui/windows/cleanup_flow.h"

#include "model/song.h"
#include "project/app_objects.h"
#include "ui/windows/cleanup_dlg.h"
#include "ui/windows/remove_inst_dlg.h"

#include <QCheckBox>
#include <QMessageBox>
#include <algorithm>

namespace {

std::vector<TInstrument*> UnusedInstrumentsWithout(const TSong& song,
                                                   const std::vector<int>& goingPatterns) {
    std::vector<bool> used(size_t(song.InstrumentCount()), false);
    for (int p = 0; p < song.PatternCount(); ++p) {
        if (std::find(goingPatterns.begin(), goingPatterns.end(), p) != goingPatterns.end())
            continue;
        const TPattern& pattern = *song.Patterns(p);
        for (int t = 0; t < pattern.TrackCount(); ++t)
            for (int r = 0; r < pattern.RowCount(); ++r) {
                const int i = pattern.Instrument(t, r);
                if (i != kInstrumentNone && i < song.InstrumentCount()) used[size_t(i)] = true;
            }
    }
    std::vector<TInstrument*> unused;
    for (int i = 0; i < song.InstrumentCount(); ++i)
        if (!used[size_t(i)]) unused.push_back(song.Instruments(i));
    return unused;
}

} // namespace

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

    std::vector<int> patterns;
    if (cleanup.patternsCB->isChecked()) {
        for (const TPattern* pattern : song->GetUnusedPatterns())
            patterns.push_back(pattern->Number());
        if (patterns.empty())
            prompts.inform(parent, "No patterns were deleted. All of them are in use.");
        else if (!prompts.confirm(
                     parent,
                     QString("%1 patterns will be deleted.  Proceed?").arg(patterns.size())))
            patterns.clear();
    }

    std::vector<int> instruments;
    if (cleanup.instrumentsCB->isChecked()) {
        // Instruments used only by the patterns that go are candidates too.
        const std::vector<TInstrument*> unused = UnusedInstrumentsWithout(*song, patterns);
        if (!unused.empty()) {
            TRemoveInstDlg remove(parent);
            remove.Fill(unused);
            if (prompts.runRemoveInst(remove) == QDialog::Accepted)
                for (const TInstrument* instrument : remove.Instruments())
                    instruments.push_back(instrument->Number());
        }
    }
    SongEdit().CleanUp(patterns, instruments);
}
