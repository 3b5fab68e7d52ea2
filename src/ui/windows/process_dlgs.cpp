#include "ui/windows/process_dlgs.h"

#include "engine/sndlib.h"
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/inst_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <exception>
#include <utility>

namespace {

// The dialogs' values, kept between runs of the program.
class TStore {
public:
    QVariant value(const char* key, const QVariant& fallback) const {
        return settings_.value(Key(key), fallback);
    }
    void setValue(const char* key, const QVariant& v) { settings_.setValue(Key(key), v); }

private:
    static QString Key(const char* key) { return QString("SampleProcesses/") + key; }
    QSettings settings_{"Cantorwright", "Cantorwright"};
};

TStore Store() {
    return {};
}

QStringList ApplyToCaptions() {
    QStringList captions;
    for (int i = 0; i < kApplyToCount; ++i) captions << ApplyToCaption(TApplyTo(i));
    return captions;
}

} // namespace

TProcessDlg::TProcessDlg(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    applyToBox = new TChoiceGroup("Apply To", ApplyToCaptions());
    applyToBox->setObjectName("applyToBox");
    applyToBox->SetCurrentIndex(kApplyCurrentSample);
}

void TProcessDlg::Finish(QWidget* body) {
    auto* layout = new QVBoxLayout(this);
    if (body) layout->addWidget(body);
    layout->addWidget(applyToBox);
    auto* buttons = new QDialogButtonBox;
    QPushButton* apply = buttons->addButton("Apply", QDialogButtonBox::AcceptRole);
    apply->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TEchoDlg::TEchoDlg(QWidget* parent) : TProcessDlg("Apply Echo", parent) {
    auto* body = new QWidget;
    auto* grid = new QGridLayout(body);
    delayBar = new QSlider(Qt::Horizontal);
    delayBar->setRange(0, 10);
    delayText = new QLabel;
    grid->addWidget(new QLabel("Delay (samples)"), 0, 0);
    grid->addWidget(delayBar, 0, 1);
    grid->addWidget(delayText, 0, 2);
    auto* intensities = new QGroupBox("Output Intensities");
    auto* igrid = new QGridLayout(intensities);
    dIntensBar = new QSlider(Qt::Horizontal);
    uIntensBar = new QSlider(Qt::Horizontal);
    dIntensText = new QLabel;
    uIntenstext = new QLabel;
    for (QSlider* bar : {dIntensBar, uIntensBar}) {
        bar->setRange(0, 100);
        bar->setValue(100);
    }
    igrid->addWidget(new QLabel("Delayed"), 0, 0);
    igrid->addWidget(dIntensBar, 0, 1);
    igrid->addWidget(dIntensText, 0, 2);
    igrid->addWidget(new QLabel("Undelayed"), 1, 0);
    igrid->addWidget(uIntensBar, 1, 1);
    igrid->addWidget(uIntenstext, 1, 2);
    grid->addWidget(intensities, 1, 0, 1, 3);
    auto* options = new QGroupBox("Options");
    auto* ocolumn = new QVBoxLayout(options);
    allowGrowthCB = new QCheckBox("Allow sample to grow");
    allowGrowthCB->setChecked(true);
    multiEchoCB = new QCheckBox("Multiple echo");
    preEchoCB = new QCheckBox("Echo before start");
    ocolumn->addWidget(new QLabel("[none of these have any effect yet]"));
    for (QCheckBox* box : {allowGrowthCB, multiEchoCB, preEchoCB}) ocolumn->addWidget(box);
    grid->addWidget(options, 2, 0, 1, 3);
    Finish(body);
    for (QSlider* bar : {delayBar, dIntensBar, uIntensBar})
        connect(bar, &QSlider::valueChanged, this, &TEchoDlg::RefreshLabels);
    Load();
    RefreshLabels();
}

void TEchoDlg::RefreshLabels() {
    delayText->setText(QString::number(delayBar->value()));
    dIntensText->setText(QString("%1%").arg(dIntensBar->value()));
    uIntenstext->setText(QString("%1%").arg(uIntensBar->value()));
}

void TEchoDlg::showEvent(QShowEvent* event) {
    RefreshLabels();
    TProcessDlg::showEvent(event);
}

void TEchoDlg::Load() {
    TStore s;
    delayBar->setMaximum(std::max(10, s.value("EchoDelayMax", 10).toInt()));
    delayBar->setValue(s.value("EchoDelay", 0).toInt());
    dIntensBar->setValue(s.value("EchoDelayed", 100).toInt());
    uIntensBar->setValue(s.value("EchoUndelayed", 100).toInt());
    allowGrowthCB->setChecked(s.value("EchoGrow", true).toBool());
    multiEchoCB->setChecked(s.value("EchoMultiple", false).toBool());
    preEchoCB->setChecked(s.value("EchoBefore", false).toBool());
}

void TEchoDlg::Save() const {
    TStore s;
    s.setValue("EchoDelayMax", delayBar->maximum());
    s.setValue("EchoDelay", delayBar->value());
    s.setValue("EchoDelayed", dIntensBar->value());
    s.setValue("EchoUndelayed", uIntensBar->value());
    s.setValue("EchoGrow", allowGrowthCB->isChecked());
    s.setValue("EchoMultiple", multiEchoCB->isChecked());
    s.setValue("EchoBefore", preEchoCB->isChecked());
}

TamplifyDialog::TamplifyDialog(QWidget* parent) : TProcessDlg("Amplify", parent) {
    auto* body = new QWidget;
    auto* row = new QHBoxLayout(body);
    pctField = new QSpinBox;
    pctField->setObjectName("pctField");
    pctField->setRange(0, 1000);
    pctField->setValue(150);
    row->addWidget(new QLabel("Percentage"));
    row->addWidget(pctField);
    Finish(body);
    Load();
}

void TamplifyDialog::Load() {
    pctField->setValue(Store().value("AmplifyPercent", 150).toInt());
}

void TamplifyDialog::Save() const {
    Store().setValue("AmplifyPercent", pctField->value());
}

TapplyDlg::TapplyDlg(QWidget* parent) : TProcessDlg(QString(), parent) {
    Finish(nullptr);
}

// --- Running -----------------------------------------------------------------------------

TProcessDialogs::TProcessDialogs(TInstForm* form)
    : echoDlg(new TEchoDlg(form)), amplifyDlg(new TamplifyDialog(form)),
      applyDlg(new TapplyDlg(form)), form_(form) {}

TProcessSelection TProcessDialogs::Selection() const {
    TProcessSelection selection;
    selection.instruments = form_->SelectedInstruments();
    selection.samples = form_->SelectedSamples();
    selection.currentInstrument = form_->CurrentInstrument();
    selection.currentSample = form_->CurrentSample();
    if (form_->CurrentSample() >= 0) selection.view = form_->sampleEditor->View();
    return selection;
}

namespace {

TApplyTo DefaultFor(const TProcessSelection& s, bool hasSelection) {
    return DefaultApplyTo(hasSelection, int(s.samples.size()), int(s.instruments.size()));
}

// Runs `work` on a worker thread; meanwhile the interface keeps painting and playing but takes
// no input, and a progress dialog shows once the work takes longer than a moment.
TSampleData OffThread(QWidget* parent, const std::function<TSampleData()>& work) {
    TSampleData result;
    std::exception_ptr error;
    QEventLoop loop;
    QThread* thread = QThread::create([&] {
        try {
            result = work();
        } catch (...) {
            error = std::current_exception();
        }
    });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QProgressDialog progress("Processing the sample...", QString(), 0, 0, parent);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(300);
    progress.setValue(0);
    thread->start();
    if (!thread->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    delete thread;
    if (error) std::rethrow_exception(error);
    return result;
}

void FreeData(std::vector<std::pair<TProcessTarget, TSampleData>>& prepared) {
    for (auto& [target, data] : prepared)
        if (data.block) PLYRmemFree(std::exchange(data.block, nullptr));
}

} // namespace

int TProcessDialogs::Apply(
    TApplyTo choice, const QString& text,
    const std::function<TSampleData(const TSample&, int start, int end)>& prepare) {
    TSong* song = Project().Song();
    if (!song) return 0;
    const std::vector<TProcessTarget> targets =
        ProcessTargets(choice, Selection(), SampleLengths(*song));
    // Everything is prepared first, so a process that changes nothing leaves no step.
    std::vector<std::pair<TProcessTarget, TSampleData>> prepared;
    try {
        for (const TProcessTarget& t : targets) {
            const TSample& sample = *song->Instruments(t.instrument)->Samples(t.sample);
            auto work = [&sample, &prepare, t] { return prepare(sample, t.start, t.end); };
            TSampleData data = sample.Length() >= kWorkerFrames ? OffThread(form_, work) : work();
            if (data.block) prepared.emplace_back(t, data);
        }
    } catch (...) {
        FreeData(prepared);
        throw;
    }
    if (prepared.empty()) return 0;
    QUndoStack& history = SongEdit().History();
    history.beginMacro(text);
    try {
        for (auto& [t, data] : prepared)
            SongEdit().ProcessSample(t.instrument, t.sample, text,
                                     [&data = data](TSample& s) { s.InstallData(data); });
    } catch (...) {
        history.endMacro();
        FreeData(prepared);
        throw;
    }
    history.endMacro();
    form_->sampleEditor->SampleDataChanged();
    return int(prepared.size());
}

void TProcessDialogs::RunEcho() {
    const TProcessSelection selection = Selection();
    echoDlg->applyToBox->SetCurrentIndex(DefaultFor(selection, selection.view.HasSelection()));
    if (TSong* song = Project().Song())
        echoDlg->delayBar->setMaximum(
            EchoDelayMaximum(echoDlg->delayBar->maximum(), SampleLengths(*song)));
    if (echoDlg->exec() != QDialog::Accepted) return;
    echoDlg->Save();
    const int delay = echoDlg->delayBar->value();
    const int delayed = echoDlg->dIntensBar->value();
    const int undelayed = echoDlg->uIntensBar->value();
    Apply(TApplyTo(echoDlg->applyToBox->CurrentIndex()), "Echo",
          [=](const TSample& s, int start, int end) {
              return s.EchoedData(start, end, delay, delayed, undelayed);
          });
}

void TProcessDialogs::RunAmplify() {
    const TProcessSelection selection = Selection();
    amplifyDlg->applyToBox->SetCurrentIndex(DefaultFor(selection, selection.view.HasSelection()));
    if (amplifyDlg->exec() != QDialog::Accepted) return;
    amplifyDlg->Save();
    const double factor = amplifyDlg->pctField->value() * 0.01;
    Apply(TApplyTo(amplifyDlg->applyToBox->CurrentIndex()), "Amplify",
          [factor](const TSample& s, int start, int end) {
              return s.AmplifiedData(start, end, factor);
          });
}

void TProcessDialogs::RunReverse() {
    const TProcessSelection selection = Selection();
    applyDlg->setWindowTitle("Reverse");
    applyDlg->applyToBox->SetCurrentIndex(DefaultFor(selection, selection.view.HasSelection()));
    if (applyDlg->exec() != QDialog::Accepted) return;
    Apply(TApplyTo(applyDlg->applyToBox->CurrentIndex()), "Reverse",
          [](const TSample& s, int start, int end) { return s.ReversedData(start, end); });
}
