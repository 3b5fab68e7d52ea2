// The envelope page, the actions and the menus of the instrument editor.
#include "model/envelope.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"
#include "ui/widgets/envelope_box.h"
#include "ui/widgets/keyboard_box.h"
#include "ui/widgets/sample_editor.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/main_form.h"
#include "ui/windows/process_dlgs.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>

QWidget* TInstForm::CreateEnvelopeBand(bool panning) {
    auto* band = new QWidget;
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(2, 2, 2, 2);
    auto* left = new QVBoxLayout;
    auto* enable = new QCheckBox(panning ? "Panning Envelope" : "Volume Envelope");
    QFont bold = enable->font();
    bold.setBold(true);
    enable->setFont(bold);
    enable->setEnabled(false);
    left->addWidget(enable);
    auto* panel = new QWidget;
    panel->setEnabled(false);
    auto* grid = new QGridLayout(panel);
    auto* loop = new QCheckBox("Loop");
    auto* sustain = new QCheckBox("Sustain");
    auto* loopStart = new QSpinBox;
    auto* loopEnd = new QSpinBox;
    auto* sustainPoint = new QSpinBox;
    for (QSpinBox* field : {loopStart, loopEnd, sustainPoint}) {
        field->setRange(0, 255);
        field->setKeyboardTracking(false);
    }
    grid->addWidget(loop, 0, 0);
    grid->addWidget(loopStart, 0, 1);
    grid->addWidget(new QLabel("to"), 0, 2);
    grid->addWidget(loopEnd, 0, 3);
    grid->addWidget(sustain, 1, 0);
    grid->addWidget(sustainPoint, 1, 1);
    left->addWidget(panel);
    left->addStretch(1);
    row->addLayout(left);
    auto* box = new TEnvelopeBox;
    box->setObjectName(panning ? "panEnvBox" : "volEnvBox");
    box->SetEnvColor(Qt::white);
    box->SetPtColor(Qt::green);
    box->SetDisabledColor(Qt::gray);
    QPalette black = box->palette();
    black.setColor(QPalette::Window, Qt::black);
    box->setPalette(black);
    box->setAutoFillBackground(true);
    box->setMouseTracking(true);
    box->installEventFilter(this);
    row->addWidget(box, 1);

    (panning ? panEnvCB : volEnvCB) = enable;
    (panning ? panControlPanel : volControlPanel) = panel;
    (panning ? panLoopCB : volLoopCB) = loop;
    (panning ? panSusCB : volSusCB) = sustain;
    (panning ? panLoopStart : volLoopStart) = loopStart;
    (panning ? panLoopEnd : volLoopEnd) = loopEnd;
    (panning ? panSustain : volSustain) = sustainPoint;
    (panning ? panEnvBox : volEnvBox) = box;

    connect(enable, &QCheckBox::toggled, this,
            [this, panning](bool on) { EnvelopeSwitched(panning, on); });
    connect(loop, &QCheckBox::toggled, this,
            [this, panning](bool on) { EnvelopeFlagChanged(panning, false, on); });
    connect(sustain, &QCheckBox::toggled, this,
            [this, panning](bool on) { EnvelopeFlagChanged(panning, true, on); });
    // Each field writes the band's three values; the other band's stay as they are.
    for (QSpinBox* field : {loopStart, loopEnd, sustainPoint})
        connect(field, &QSpinBox::valueChanged, this, &TInstForm::EnvelopeFieldsChanged);
    connect(box, &TEnvelopeBox::OnChange, this, [this, panning] { ShowEnvelopeParams(panning); });
    return band;
}

void TInstForm::EnvelopeSwitched(bool panning, bool on) {
    TEnvelopeBox* box = panning ? panEnvBox : volEnvBox;
    QCheckBox* enable = panning ? panEnvCB : volEnvCB;
    TInstrument* instrument = Instrument();
    TEnvelope* envelope = !instrument ? nullptr
                          : panning   ? instrument->PanningEnvelope()
                                      : instrument->VolumeEnvelope();
    if (on && envelope && envelope->SavedPointCount() == 0) {
        // An envelope that never had points starts as a ramp the user can shape.
        const int top = panning ? 32 : 64;
        SongEdit().EditEnvelope(currentInstrument_, panning, "Envelope On",
                                [top, panning](TEnvelope& e) {
                                    e.InsertPoint(0, 0, top);
                                    e.InsertPoint(1, 100, panning ? top : 0);
                                });
    } else {
        box->SetEnvelopeEnabled(on);
    }
    (panning ? panControlPanel : volControlPanel)->setEnabled(panning ? enable->isEnabled() : on);
}

QWidget* TInstForm::CreateEnvelopesPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(2, 2, 2, 2);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(CreateEnvelopeBand(false));
    split->addWidget(CreateEnvelopeBand(true));
    column->addWidget(split, 1);
    auto* status = new QHBoxLayout;
    envTickLabel = new QLabel("tick:");
    envValLabel = new QLabel("value:");
    envTickLabel->setMinimumWidth(70);
    envValLabel->setMinimumWidth(70);
    status->addWidget(envTickLabel);
    status->addWidget(envValLabel);
    status->addWidget(new QLabel("Left Click: Add or Drag points;  Right Click: Delete Points."),
                      1);
    column->addLayout(status);
    return page;
}

namespace {

QAction* MakeAction(QObject* parent, const QString& text, const QString& shortcut = {}) {
    auto* act = new QAction(text, parent);
    if (!shortcut.isEmpty()) {
        act->setShortcut(QKeySequence(shortcut));
        act->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    return act;
}

} // namespace

void TInstForm::CreateActions() {
    zoomSelAct = MakeAction(this, "Zoom Selection");
    zoomSelAct->setToolTip("zoom selection");
    zoomOutAct = MakeAction(this, "Zoom Out");
    zoomOutAct->setToolTip("zoom out");
    selectAllAct = MakeAction(this, "Select All", "Ctrl+A");
    cutAct = MakeAction(this, "Cut", "Ctrl+X");
    copyAct = MakeAction(this, "Copy", "Ctrl+C");
    pasteAct = MakeAction(this, "Paste", "Ctrl+V");
    cropAct = MakeAction(this, "Crop");
    deleteRangeAct = MakeAction(this, "Delete");
    playAct = MakeAction(this, "play");
    stopAct = MakeAction(this, "stop");
    echoAct = MakeAction(this, "Echo...");
    reverbAct = MakeAction(this, "Reverb...");
    amplifyAct = MakeAction(this, "Amplify...");
    reverseAct = MakeAction(this, "Reverse...");
    unsignAct = MakeAction(this, "(Un)Sign");
    unsignBtnAct = MakeAction(this, "Un(Sign)");
    normalizeAct = MakeAction(this, "Normalize");
    loopToSelAct = MakeAction(this, "Set Loop to Selection");
    crossfadeAct = MakeAction(this, "Crossfade Loop...");
    saveSampleAct = MakeAction(this, "Save Sample As...");
    for (QAction* act : {selectAllAct, cutAct, copyAct, pasteAct}) addAction(act);

    connect(zoomSelAct, &QAction::triggered, this, [this] { sampleEditor->ZoomToSelection(); });
    connect(zoomOutAct, &QAction::triggered, this, [this] { sampleEditor->ZoomToFit(); });
    connect(selectAllAct, &QAction::triggered, this, [this] { sampleEditor->SelectAll(); });
    connect(cutAct, &QAction::triggered, this, &TInstForm::CutRange);
    connect(copyAct, &QAction::triggered, this, &TInstForm::CopyRange);
    connect(pasteAct, &QAction::triggered, this, &TInstForm::PasteRange);
    connect(cropAct, &QAction::triggered, this, &TInstForm::CropRange);
    connect(deleteRangeAct, &QAction::triggered, this, &TInstForm::DeleteRange);
    connect(playAct, &QAction::triggered, this, &TInstForm::PlaySample);
    connect(stopAct, &QAction::triggered, this, &TInstForm::StopSample);
    connect(echoAct, &QAction::triggered, this, [this] { Processes()->RunEcho(); });
    connect(amplifyAct, &QAction::triggered, this, [this] { Processes()->RunAmplify(); });
    connect(reverseAct, &QAction::triggered, this, [this] { Processes()->RunReverse(); });
    connect(reverbAct, &QAction::triggered, this,
            [this] { QMessageBox::information(this, "Reverb", "Not fully implemented yet."); });
    connect(normalizeAct, &QAction::triggered, this, &TInstForm::Normalize);
    connect(unsignAct, &QAction::triggered, this, &TInstForm::FlipSign);
    connect(unsignBtnAct, &QAction::triggered, this, &TInstForm::FlipSign);
    connect(loopToSelAct, &QAction::triggered, this, &TInstForm::LoopToSelection);
    connect(crossfadeAct, &QAction::triggered, this, [this] {
        bool ok = false;
        const int frames = QInputDialog::getInt(
            this, "Crossfade Loop", "Crossfade length (frames):", 256, 1, 1 << 20, 1, &ok);
        if (ok) CrossfadeLoop(frames);
    });
    connect(saveSampleAct, &QAction::triggered, this, [this] {
        const QString name = QFileDialog::getSaveFileName(this, "Save Sample As", {},
                                                          "WAV files (*.wav);;FLAC files (*.flac)");
        if (!name.isEmpty()) SaveSampleAs(name);
    });
}

void TInstForm::CreateMenus() {
    instPopup = new QMenu(this);
    instPopup->setObjectName("instPopup");
    newAct = instPopup->addAction("New", this, &TInstForm::NewInstrument);
    newAct->setShortcut(QKeySequence(Qt::Key_Insert));
    deleteAct = instPopup->addAction("Delete", this, [this] { DeleteSelected(); });
    deleteAct->setShortcut(QKeySequence(Qt::Key_Delete));
    renameAct = instPopup->addAction("Rename", this, &TInstForm::RenameFocused);
    invertAct = instPopup->addAction("Invert Selection", this, &TInstForm::InvertSelection);
    instPopup->addSeparator();
    loadAct = instPopup->addAction("Load...", this, [this] {
        if (sampleList->hasFocus())
            LoadSampleClick();
        else
            LoadInstrumentClick();
    });
    saveInstAct = instPopup->addAction("Save Instrument As...", this, [this] {
        if (!Instrument()) return;
        const QString name =
            QFileDialog::getSaveFileName(this, "Save Instrument As", {}, "XI files (*.xi)");
        if (!name.isEmpty()) SaveInstrumentAs(name);
    });
    instPopup->addAction(saveSampleAct);
    for (TNKListView* list : {instrList, sampleList}) {
        for (QAction* act : {newAct, deleteAct}) {
            auto* local = new QAction(list);
            local->setShortcut(act->shortcut());
            local->setShortcutContext(Qt::WidgetShortcut);
            connect(local, &QAction::triggered, act, &QAction::trigger);
            list->addAction(local);
        }
    }

    auto* sampPopup = new QMenu(this);
    sampPopup->setObjectName("sampPopup");
    sampPopup->addAction(zoomSelAct);
    sampPopup->addAction(zoomOutAct);
    sampPopup->addAction(selectAllAct);
    QMenu* process = sampPopup->addMenu("Process");
    for (QAction* act :
         {echoAct, reverbAct, amplifyAct, reverseAct, unsignAct, normalizeAct, crossfadeAct})
        process->addAction(act);
    sampPopup->addSeparator();
    for (QAction* act : {cutAct, copyAct, pasteAct, cropAct, deleteRangeAct, loopToSelAct})
        sampPopup->addAction(act);
    sampPopup->addSeparator();
    sampPopup->addAction(saveSampleAct);
    sampPopup->addAction("Visual Properties...", this, [] {
        if (MainForm() && MainForm()->EnvDlg()) MainForm()->EnvDlg()->ExecOnPage("Sample Editor");
    });
    connect(
        sampleEditor, &QWidget::customContextMenuRequested, this,
        [this, sampPopup](const QPoint& at) { sampPopup->exec(sampleEditor->mapToGlobal(at)); });
}

void TInstForm::ShowEnvelopeParams(bool panning) {
    TEnvelopeBox* box = panning ? panEnvBox : volEnvBox;
    TInstrument* instrument = Instrument();
    if (!instrument || box->Instrument() < 0) return;
    TEnvelope* envelope = panning ? instrument->PanningEnvelope() : instrument->VolumeEnvelope();
    if (!envelope) return;
    QSignalBlocker guards[] = {QSignalBlocker(panning ? panLoopCB : volLoopCB),
                               QSignalBlocker(panning ? panSusCB : volSusCB),
                               QSignalBlocker(panning ? panLoopStart : volLoopStart),
                               QSignalBlocker(panning ? panLoopEnd : volLoopEnd),
                               QSignalBlocker(panning ? panSustain : volSustain),
                               QSignalBlocker(panning ? panEnvCB : volEnvCB)};
    (panning ? panLoopCB : volLoopCB)->setChecked(envelope->LoopEnabled());
    (panning ? panSusCB : volSusCB)->setChecked(envelope->SustainEnabled());
    (panning ? panLoopStart : volLoopStart)->setValue(envelope->LoopStart());
    (panning ? panLoopEnd : volLoopEnd)->setValue(envelope->LoopEnd());
    (panning ? panSustain : volSustain)->setValue(envelope->SustainPoint());
    QCheckBox* enable = panning ? panEnvCB : volEnvCB;
    enable->setChecked(envelope->Enabled());
    (panning ? panControlPanel : volControlPanel)
        ->setEnabled(panning ? enable->isEnabled() : envelope->Enabled());
}

void TInstForm::EnvelopeFlagChanged(bool panning, bool sustain, bool on) {
    if (currentInstrument_ < 0) return;
    TInstrument* instrument = Instrument();
    if (!(panning ? instrument->PanningEnvelope() : instrument->VolumeEnvelope())) return;
    SongEdit().EditEnvelope(currentInstrument_, panning,
                            sustain ? (on ? "Sustain On" : "Sustain Off")
                                    : (on ? "Loop On" : "Loop Off"),
                            [sustain, on](TEnvelope& e) {
                                if (sustain)
                                    e.SetSustainEnabled(on);
                                else
                                    e.SetLoopEnabled(on);
                            });
}

void TInstForm::EnvelopeFieldsChanged() {
    if (currentInstrument_ < 0) return;
    TInstrument* instrument = Instrument();
    for (bool panning : {false, true}) {
        TEnvelope* envelope =
            panning ? instrument->PanningEnvelope() : instrument->VolumeEnvelope();
        if (!envelope) continue;
        const int start = (panning ? panLoopStart : volLoopStart)->value() & 0xFF;
        const int end = (panning ? panLoopEnd : volLoopEnd)->value() & 0xFF;
        const int sustain = (panning ? panSustain : volSustain)->value() & 0xFF;
        if (envelope->LoopStart() == start && envelope->LoopEnd() == end &&
            envelope->SustainPoint() == sustain)
            continue;
        SongEdit().EditEnvelope(currentInstrument_, panning, "Envelope Points",
                                [start, end, sustain](TEnvelope& e) {
                                    e.SetLoopStart(start);
                                    e.SetLoopEnd(end);
                                    e.SetSustainPoint(sustain);
                                });
    }
}

bool TInstForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        if (PreviewKey(static_cast<QKeyEvent*>(event), type == QEvent::KeyPress)) return true;
    }
    if (type == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == volEnvBox || watched == panEnvBox) {
            auto* box = static_cast<QWidget*>(watched);
            const QPoint at = mouse->position().toPoint();
            envTickLabel->setText(QString("tick: %1").arg(at.x()));
            const double value = 64.0 - at.y() * 64.0 / std::max(1, box->height());
            envValLabel->setText(QString("value: %1").arg(std::nearbyint(value)));
        } else if (watched == keyBox->viewport()) {
            const QPoint at = mouse->position().toPoint();
            const int note = keyBox->Geometry().NoteAt(at.x(), at.y());
            noteLabel->setText(note >= 0 && note < kKeyboardNotes
                                   ? QString::fromStdString(NoteIndexName(note))
                                   : QString());
        }
    }
    return QWidget::eventFilter(watched, event);
}
