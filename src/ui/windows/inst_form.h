// The instrument editor: the song's instrument list, the current instrument's sample list, the
// sample's properties and waveform, the instrument's vibrato, fade-out and keyboard map, and its
// envelopes. It keeps no module data: every change is one step of the edit layer, and the bus
// tells it what to show again.
#pragma once

#include "edit/inst_targets.h"
#include "edit/sample_range.h"

#include <QListWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDrag;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TBusHook;
class TEnvelopeBox;
class TInstrument;
class TKeyboardBox;
class TMidiInput;
class TMidiMonitor;
class TMidiOutput;
class QTimer;
class TProcessDialogs;
class TSample;
class TSampleEditor;
class TZEvent;

// A list whose typed letters and digits go to the window as note keys instead of searching it.
// Its rows drag to the other list and to itself; files and sample ranges drop on it.
class TNKListView : public QListWidget {
    Q_OBJECT
public:
    enum TKind { Instruments, Samples };
    static constexpr const char* kRowMime = "application/x-cantorwright-list-row";

    explicit TNKListView(TKind kind, QWidget* parent = nullptr);
    TKind Kind() const { return kind_; }
    // Accepts drops of files when the predicate approves every one of them.
    std::function<bool(const QString&)> AcceptsFile;
    // Whether a drag may drop here: files that all pass AcceptsFile, a sample range, a sample
    // row, or an instrument row on the instrument list. A refused drag goes on to the frame
    // window, which takes modules.
    bool AcceptsDrag(const QMimeData* mime) const;
    // What a drop of the mime data at the row (-1: empty space) does.
    void Drop(const QMimeData* mime, int row);
    // The row data a drag of `row` carries.
    static QMimeData* RowMime(TKind kind, int row);
    // The list under a header of its columns. A second column shows each row's
    // Qt::UserRole data right-aligned, as wide as its header section.
    QWidget* WithHeader(const QStringList& titles, const QList<int>& widths);
    int SecondColumnWidth() const;
    // True from the start of a drag of one of this list's rows until its drop or cancel.
    bool Dragging() const { return dragging_; }
    // The platform's drag loop, which delivers the drop before it returns. A test without a
    // window system runs one of its own.
    std::function<Qt::DropAction(QDrag&)> RunDrag;

signals:
    void DragFinished();
    void FilesDropped(const QStringList& files, int row);
    void RowDropped(TNKListView::TKind from, int sourceRow, int row);
    void RangeDropped(int instrument, int sample, int start, int end, int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TKind kind_;
    bool dragging_ = false;
    class QHeaderView* header_ = nullptr;
};

class TInstForm : public QWidget {
    Q_OBJECT
public:
    explicit TInstForm(QWidget* parent = nullptr);
    ~TInstForm() override;

    int CurrentInstrument() const { return currentInstrument_; }
    int CurrentSample() const { return currentSample_; }
    // Selected rows, ascending.
    std::vector<int> SelectedInstruments() const;
    std::vector<int> SelectedSamples() const;
    TListSelection Selection() const;

    // Bus reactions.
    void LoadInstrumentList();
    void CloseModule();
    void ApplyVisualProperties();
    void HandleEvent(TZEvent& event);

    // List commands.
    void NewInstrument();
    void DeleteSelected(bool confirm = true);
    void RenameFocused();
    void InvertSelection();
    // Loads files as new instruments (XI or sample files) or as new samples of the current
    // instrument; answers how many loaded.
    int LoadInstrumentFiles(const QStringList& files);
    int LoadSampleFiles(const QStringList& files);
    void LoadInstrumentClick();
    void LoadSampleClick();
    void SaveSampleAs(const QString& fileName);
    void SaveInstrumentAs(const QString& fileName);

    // Sample range commands.
    void CutRange();
    void CopyRange();
    void PasteRange();
    void CropRange();
    void DeleteRange();
    void LoopToSelection();
    void Normalize();
    void CrossfadeLoop(int frames);
    void FlipSign();

    // Previews.
    void PlaySample();
    void StopSample();

    // MIDI: the input the page monitors (a test feeds it without a device), and what a note
    // from it does: entered in the pattern editor that records, else played here.
    TMidiInput& MidiIn() { return *midiIn_; }
    TMidiOutput& MidiOut() { return *midiOut_; }
    void MidiNoteOn(uint8_t note, int velocity);
    void MidiNoteOff(uint8_t note);
    void FillMidiDevices();

    // The process dialogs; made on first use unless the start-up made them in its order.
    TProcessDialogs* Processes();
    void CreateDialogs();

    TNKListView* instrList;
    TNKListView* sampleList;
    QTabWidget* pages;
    // Sample page.
    QSlider* volBar;
    QSlider* panBar;
    QSlider* tuneBar;
    QLabel* volBarLabel;
    QLabel* panBarLabel;
    QLabel* tuneBarLabel;
    QLineEdit* relNote;
    QToolButton* relUpBtn;
    QToolButton* relDownBtn;
    QRadioButton* quality8;
    QRadioButton* quality16;
    QComboBox* smpLoopBox;
    QSpinBox* startLoopEd;
    QSpinBox* endLoopEd;
    TSampleEditor* sampleEditor;
    QLabel* selRangePanel;
    QLabel* zoomPanel;
    QToolButton* processBtn;
    QAction* zoomSelAct;
    QAction* zoomOutAct;
    QAction* cutAct;
    QAction* copyAct;
    QAction* pasteAct;
    QAction* cropAct;
    QAction* deleteRangeAct;
    QAction* selectAllAct;
    QAction* playAct;
    QAction* stopAct;
    QAction* echoAct;
    QAction* reverbAct;
    QAction* amplifyAct;
    QAction* reverseAct;
    QAction* unsignAct;    // "(Un)Sign" of the editor's menu
    QAction* unsignBtnAct; // the same as "Un(Sign)" of the Process button
    QAction* normalizeAct;
    QAction* loopToSelAct;
    QAction* crossfadeAct;
    QAction* saveSampleAct;
    // Instrument page.
    TKeyboardBox* keyBox;
    QLabel* noteLabel;
    QSlider* fadeBar;
    QSlider* speedBar;
    QSlider* depthBar;
    QSlider* sweepBar;
    QLabel* fadeBarLabel;
    QLabel* speedBarLabel;
    QLabel* depthBarLabel;
    QLabel* sweepBarLabel;
    QButtonGroup* typeButtons;
    // Envelopes page.
    QCheckBox* volEnvCB;
    QCheckBox* panEnvCB;
    QWidget* volControlPanel;
    QWidget* panControlPanel;
    QCheckBox* volLoopCB;
    QCheckBox* panLoopCB;
    QCheckBox* volSusCB;
    QCheckBox* panSusCB;
    QSpinBox* volLoopStart;
    QSpinBox* volLoopEnd;
    QSpinBox* volSustain;
    QSpinBox* panLoopStart;
    QSpinBox* panLoopEnd;
    QSpinBox* panSustain;
    TEnvelopeBox* volEnvBox;
    TEnvelopeBox* panEnvBox;
    QLabel* envTickLabel;
    QLabel* envValLabel;
    // MIDI page.
    QComboBox* midiInBox;
    QComboBox* midiOutBox;
    QCheckBox* monitorCB;
    QCheckBox* passCB;
    QPlainTextEdit* midiMemo;
    QCheckBox* recordVelocityCB;
    QCheckBox* recordNoteOffCB;
    // List menu.
    QMenu* instPopup;
    QAction* newAct;
    QAction* deleteAct;
    QAction* renameAct;
    QAction* invertAct;
    QAction* loadAct;
    QAction* saveInstAct;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Construction, one page each.
    QWidget* CreateLists();
    QWidget* CreateSamplePage();
    QWidget* CreateSampleToolbar();
    QWidget* CreateLoopBar();
    QWidget* CreateInstrumentPage();
    QWidget* CreateEnvelopesPage();
    QWidget* CreateEnvelopeBand(bool panning);
    QWidget* CreateMidiPage();
    void CreateActions();
    void CreateMenus();
    QSlider* AddSlider(class QGridLayout* grid, int row, const QString& title, int min, int max,
                       int page, QLabel** label, bool vertical);

    // Showing.
    void LoadSampleList();
    void InstrumentSelectionChanged();
    void SampleSelectionChanged();
    bool ListDragging() const;
    void ListDragFinished();
    void ShowInstrument();
    void ShowSample();
    void ShowLoopFields();
    void ShowEnvelopeParams(bool panning);
    void RefreshInstrumentCaptions();
    void RefreshSampleCaptions();
    QString InstrumentCaption(int index) const;
    QString SampleCaption(int index) const;
    void UpdateRangeActions();
    TInstrument* Instrument() const;
    TSample* Sample() const;

    // Writing.
    void SliderChanged(int tag, int value);
    void ShiftRelativeNote(int delta);
    void QualityChosen(int bits);
    void LoopTypeChosen(int type);
    void LoopFieldChanged(bool end, int value);
    void EnvelopeFieldsChanged();
    void EnvelopeSwitched(bool panning, bool on);
    void EnvelopeFlagChanged(bool panning, bool sustain, bool on);
    void RenameCommitted(QListWidgetItem* item);
    void RowDropped(TNKListView::TKind from, int sourceRow, TNKListView::TKind to, int row);
    void RangeDropped(int instrument, int sample, int start, int end, TNKListView::TKind to,
                      int row);
    // True when the key is a note key, which it then consumes.
    bool PreviewKey(QKeyEvent* event, bool down);
    void ReportError(const std::exception& error);
    void WireMidi();
    void OpenMidiIn();
    void OpenMidiOut();
    void MonitorToggled(bool on);
    void PassToggled(bool on);
    void PollMidiDevices();
    void ShowMidiDevices();
    void DrainMidi();

    int currentInstrument_ = -1;
    int currentSample_ = -1;
    bool updatingInstruments_ = false;
    bool updatingSamples_ = false;
    bool showingSample_ = false;
    // Selection reactions held back while a list row is being dragged.
    bool instrumentsPending_ = false;
    bool samplesPending_ = false;
    QListWidget* renaming_ = nullptr;
    TSampleClip clip_;
    std::unique_ptr<TBusHook> hook_;
    std::unique_ptr<TProcessDialogs> processes_;
    std::unique_ptr<TMidiInput> midiIn_;
    std::unique_ptr<TMidiOutput> midiOut_;
    std::unique_ptr<TMidiMonitor> monitor_;
    QTimer* midiPoll_ = nullptr;
};
