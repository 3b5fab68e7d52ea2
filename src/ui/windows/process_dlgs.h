// The echo, amplify and reverse dialogs with their "Apply To" choice, and the running of a
// process on the samples it names: each sample's new data is prepared off the interface thread
// and swapped in as part of one undo step.
#pragma once

#include "edit/sample_process.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;
class TChoiceGroup;
class TInstForm;
class TSample;
struct TSampleData;

// What the three dialogs share: the "Apply To" group and the Apply and Cancel buttons.
class TProcessDlg : public QDialog {
    Q_OBJECT
public:
    TProcessDlg(const QString& caption, QWidget* parent);
    TChoiceGroup* applyToBox;

protected:
    // Lays the body above the "Apply To" group and the buttons.
    void Finish(QWidget* body);
};

class TEchoDlg : public TProcessDlg {
    Q_OBJECT
public:
    explicit TEchoDlg(QWidget* parent = nullptr);
    void Load();
    void Save() const;
    QSlider* delayBar;
    QSlider* dIntensBar;
    QSlider* uIntensBar;
    QLabel* delayText;
    QLabel* dIntensText;
    QLabel* uIntenstext;
    QCheckBox* allowGrowthCB;
    QCheckBox* multiEchoCB;
    QCheckBox* preEchoCB;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RefreshLabels();
};

class TamplifyDialog : public TProcessDlg {
    Q_OBJECT
public:
    explicit TamplifyDialog(QWidget* parent = nullptr);
    void Load();
    void Save() const;
    QSpinBox* pctField;
};

class TapplyDlg : public TProcessDlg {
    Q_OBJECT
public:
    explicit TapplyDlg(QWidget* parent = nullptr);
};

class TProcessDialogs {
public:
    explicit TProcessDialogs(TInstForm* form);

    // Each shows its dialog with the default "Apply To" and runs the process on Apply.
    void RunEcho();
    void RunAmplify();
    void RunReverse();

    // Runs a process on the targets of a choice as one undo step; `prepare` builds a sample's
    // new data and may run on a worker thread. Answers how many samples changed.
    int Apply(TApplyTo choice, const QString& text,
              const std::function<TSampleData(const TSample&, int start, int end)>& prepare);
    TProcessSelection Selection() const;

    // Samples at least this long are prepared on a worker thread.
    static constexpr int kWorkerFrames = 1 << 18;

    TEchoDlg* echoDlg;
    TamplifyDialog* amplifyDlg;
    TapplyDlg* applyDlg;

private:
    TInstForm* form_;
};
