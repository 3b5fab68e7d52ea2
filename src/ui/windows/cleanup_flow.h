// "Clean Up...": asks what to remove, then removes unused patterns and the unused instruments the
// user lets go as one undo step.
#pragma once

#include <QString>
#include <functional>

class QWidget;
class TCleanupDlg;
class TRemoveInstDlg;
class TSong;

// How the flow talks to the user. The defaults run the dialogs modally and use message boxes;
// tests replace them.
struct TCleanUpPrompts {
    std::function<int(TCleanupDlg&)> runCleanup;
    std::function<int(TRemoveInstDlg&)> runRemoveInst;
    std::function<void(QWidget* parent, const QString& text)> inform;
    // True for Yes.
    std::function<bool(QWidget* parent, const QString& text)> confirm;
};

TCleanUpPrompts DefaultCleanUpPrompts();

// Does nothing without a song.
void RunCleanUp(TSong* song, QWidget* parent,
                const TCleanUpPrompts& prompts = DefaultCleanUpPrompts());
