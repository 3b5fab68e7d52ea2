// The pattern editor window: the event grid of the shown pattern with its entry controls and
// info row, the pattern list, the row count tools, and the transpose and remap tabs. It learns
// of every change through its listener and changes the song only through the edit layer.
#pragma once

#include "edit/grid_selection.h"
#include "model/cell_change.h"

#include <QWidget>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class TChoiceGroup;
class TEventGrid;
class TPianoRoll;
class TPattern;
class TRepeatButton;
class TSong;
class TSpinEdit;
class TZEventListener;

class TPatternForm : public QWidget {
    Q_OBJECT
public:
    explicit TPatternForm(QWidget* parent = nullptr);
    ~TPatternForm() override;

    TPattern* ShownPattern() const { return shownPattern_; }
    TEventGrid* Grid() const { return eventGrid; }
    TPianoRoll* Roll() const { return pianoRoll; }
    // The instrument new notes get: the selection of eventInstBox, -1 when none.
    int EntryInstrument() const;
    bool FollowSongRow() const;
    bool FollowSongPosition() const;

    // Notes from a MIDI keyboard: entered at the grid's cursor as a note key would be, while in
    // edit mode, with the entry instrument sounding. False when the note was not taken.
    bool MidiNoteOn(uint8_t note, int velocity);
    bool MidiNoteOff(uint8_t note);
    // How MIDI notes are recorded (persisted settings).
    static bool RecordVelocity();
    static bool RecordNoteOff();
    static void SetRecordVelocity(bool on);
    static void SetRecordNoteOff(bool on);

    // Listener reactions.
    void LoadModule();
    void CloseModule();
    void RefreshPattern();
    void RefreshGrid();
    void FollowSong();
    // The row the song plays in the shown pattern, -1 when it plays another or none.
    int PlayingRowShown();
    void PatternChanged(TPattern* pattern, int track, int row, const void* sender);
    void PatternPropChanged(TPattern* pattern, const void* form);
    void PatternInserted(int index);
    void PatternDeleted(int index);
    void ApplyVisualSettings();
    void FillPatternList();
    void FillInstrumentLists(bool keep);
    void UpdateInfoLabels();
    // Binds the program's filter windows to this window.
    void BindFilters();

    // Left column.
    QToolButton* followBtn;
    QAction* followRowAct;
    QAction* followPositionAct;
    TSpinEdit* rowEdit;
    QPushButton* expandBtn;
    QPushButton* shrinkButton;
    QPushButton* insButton;
    QPushButton* delButton;
    QCheckBox* renumberCB;
    QListWidget* patternListBox;
    // Pages and the Event Editor page.
    QTabWidget* editorPages;
    QWidget* pianoRollSheet;
    // Piano Roll page.
    TPianoRoll* pianoRoll;
    TSpinEdit* xZoomEd;
    TSpinEdit* yZoomEd;
    TSpinEdit* prefTrackEd;
    TRepeatButton* incTrackBtn;
    TRepeatButton* decTrackBtn;
    QCheckBox* volCheck;
    TSpinEdit* volBox;
    QComboBox* instBox;
    QComboBox* effectBox;
    TSpinEdit* effectValBox;
    QLabel* selObPanel;
    QToolButton* selInstsBtn;
    QToolButton* selTracksBtn;
    QWidget* eventListSheet;
    QToolButton* toggleEditPanelBtn;
    QToolButton* toggleEditBtn;
    TSpinEdit* addEdit;
    QComboBox* eventInstBox;
    QTabWidget* editPanel;
    TEventGrid* eventGrid;
    QLabel* instLabel;
    QLabel* effectCaption;
    QLabel* effectLabel;
    // Transpose tab.
    TRepeatButton* incOctaveBtn;
    TRepeatButton* decOctaveBtn;
    TRepeatButton* incHaveToneBtn;
    TRepeatButton* decHalftoneBtn;
    TChoiceGroup* trApplyToBox;
    TChoiceGroup* instApplyBox;
    // Remap tab.
    QComboBox* srcInstList;
    QComboBox* destInstList;
    TChoiceGroup* rmpApplyToBox;
    QPushButton* remapBtn;

    // Handlers of the left column and the tabs.
    void patternListBoxClick();
    void rowEditChange(int rows);
    void expandBtnClick();
    void shrinkButtonClick();
    void insButtonClick();
    void delButtonClick();
    void Transpose(int semitones);
    void remapBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildLeftColumn();
    QWidget* BuildEventPage();
    QWidget* BuildPianoRollPage();
    QWidget* BuildValueStrip(QWidget* page);
    void ConnectRoll();
    void RollSelectionChanged();
    QStringList InstrumentItems() const;
    QWidget* BuildTransposeTab();
    QWidget* BuildRemapTab();
    void ConnectGrid();
    TSong* Song() const;
    void SelectPattern(int index);
    void PreviewKey(QKeyEvent* event, bool press);
    // Moves the cursor to the playing row now when it follows the song.
    void CatchUpWithPlayback();
    // The patterns and the range of each a scope covers.
    std::vector<int> ScopePatterns(TApplyScope scope) const;
    void ApplyToScope(TApplyScope scope, const QString& text,
                      const std::function<TCellChanges(const TPattern&, const TCellRange&)>& op);

    TPattern* shownPattern_ = nullptr;
    TZEventListener* listener_ = nullptr;
    bool filling_ = false;
    bool activationHooked_ = false;
    // Notes sounding for keys still held, by key, so each release stops its own note even when
    // the octave or the entry instrument changed meanwhile.
    struct THeldNote {
        int instrument;
        uint8_t note;
    };
    std::map<quint32, THeldNote> heldNotes_;
    // MIDI keys held, by note: what sounds, and where the note went for its key-off.
    struct TMidiHeld {
        int instrument;
        int pattern;
        int track;
        int row;
    };
    std::map<uint8_t, TMidiHeld> midiHeld_;
};
