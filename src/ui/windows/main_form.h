// The frame window: toolbars, menus, the file panel, the child-window area and the message line.
// It owns no model data; it reaches the song through Project() and announces through the bus.
#pragma once

#include "engine/render.h"
#include "project/autosave.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <exception>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QSpinBox;
class QSplitter;
class QToolBar;
class QMdiSubWindow;
class TEnvDlg;
class TFilePanel;
class TInstForm;
class TMainListener;
class TOrderGrid;
class TRecentFiles;
class TRepeatButton;
class TSong;
class TSoundForm;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The folder holding "defmodule.xm"; the program's own folder unless a caller says otherwise.
    explicit TMainForm(const QString& programDir, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The module opened when the window is first shown; empty means the default module.
    void SetStartFile(const QString& fileName) { startFile = fileName; }
    // Started when the program began; the message line reports it once the window is up.
    // `earlierMs`: time spent before the clock started, in the launcher that handed over.
    void SetStartupClock(const QElapsedTimer& clock, qint64 earlierMs = 0) {
        startupClock = clock;
        startupEarlierMs = earlierMs;
    }

    // Reads the file first and replaces the open song only once it is loaded; false when the
    // user cancelled the question about unsaved changes.
    bool OpenModule(const std::string& fileName);
    void NewModule();
    void UpdateCaption();
    // Asks "Save changes to NAME?" when the song is modified; false on Cancel, or when saving
    // did not happen.
    bool ConfirmDiscard();
    // The save dialog; true when the song was saved.
    bool SaveWithDialog();
    // Offers the copies that runs which did not end cleanly left behind.
    void OfferRestore();
    // Reads the autosave period from the configuration dialog.
    void StartAutosave();
    void UpdatePlayButtons(bool stopped);
    void ShowPosition();
    void ShowException(const std::exception& error);
    void ShowMessage(const QString& text);
    // A later success makes an error shown earlier stale.
    void ClearStaleError();

    // Song properties and order list.
    void FillOrderGrid();
    void UpdateScrollButtons();
    void ShowTempoSpeed();
    void ShowSongProperties();
    void ClearSongProperties();
    void FollowPosition();

    // Runs the key if it is one of the frame's keys; true when it was consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // Where child windows and the dialogs branch plug in.
    QMdiArea* MdiArea() const { return mdiArea; }
    // The pattern editor MIDI notes go to: the active one, else the one last active.
    class TPatternForm* RecordingPatternForm() const;
    TFilePanel* FilePanel() const { return filePanel; }
    TRecentFiles* RecentFiles() const { return recentFiles; }
    TEnvDlg* EnvDlg() const { return envDlg; }
    TSoundForm* SoundForm() const { return soundForm; }
    TInstForm* InstForm() const { return instForm; }
    QMdiSubWindow* InstWindow() const { return instWindow; }
    QMdiSubWindow* SoundWindow() const { return soundWindow; }
    bool ModuleTimerActive() const { return moduleTimer.isActive(); }
    int LastRow() const { return lastRow; }
    // The song changed: the transport's times are measured again when next shown.
    void SongTimingChanged() { timelineStale_ = true; }
    void ShowTransport();

    // Called on program end while the window still exists: keeps the module folder and the
    // recent files when the panel is visible with the Modules filter.
    void SaveModuleDir();

    // Menu and toolbar actions, public so tests and other windows reach them.
    QAction* newAct;
    QAction* openAct;
    QAction* openFileAct;
    QAction* saveAct;
    QAction* saveAsAct;
    QAction* exportAudioAct;
    QAction* exitAct;
    QAction* undoAct;
    QAction* redoAct;
    QAction* cleanUpAct;
    QAction* newPatternEditorAct;
    QAction* soundControlAct;
    QAction* instEditorAct;
    QAction* configureAct;
    QAction* autoTileAct;
    QAction* playBtn;
    QAction* playPatBtn;
    QAction* pauseBtn;
    QAction* stopBtn;
    TRepeatButton* prevOrderBtn;
    TRepeatButton* nxtOrderBtn;
    QSpinBox* octaveEdit;
    QLabel* posPanel;
    // Position / song length, pattern and row in hex, and elapsed / total time while playing.
    QLabel* transportPanel;
    QLabel* infoPanel1;
    QPushButton* clrMsgBtn;
    QLineEdit* songNameEd;
    QSpinBox* chanSpin;
    QSpinBox* tempoSpin;
    QSpinBox* speedSpin;
    QSpinBox* restartSpin;
    TOrderGrid* layoutGrid;
    TRepeatButton* incOrderBtn;
    TRepeatButton* decOrderBtn;
    QPushButton* insBtn;
    QPushButton* delBtn;
    TRepeatButton* ordLeftBtn;
    TRepeatButton* ordRightBtn;

public slots:
    void playBtnClick();
    void playPatBtnClick();
    void pauseBtnClick();
    void stopBtnClick();
    void prevOrderBtnClick();
    void nxtOrderBtnClick();
    void moduleTimerTimer();
    void autosaveTimerTimer();
    void octaveEditChange(int value);
    void clrMsgBtnClick();
    void Save1Click();
    void ToggleFilePanel();
    void OpenRecentFile(const QString& fileName);
    void OpenFromPanel(const QString& fileName);
    // "Open File...": the standard file dialog in the module folder.
    void OpenFileClick();
    // "Export Audio...": the song once through to WAV or FLAC, with progress.
    void ExportAudioClick();

    // Hooks for the configuration, sound control and clean-up windows.
    void ConfigureClick();
    void SoundControlClick();
    void InstEditorClick();
    void CleanUpClick();
    void NewPatternEditorClick();
    void AboutClick();

    // Song properties bar and order list handlers.
    void songNameEdChange(const QString& text);
    void chanEditChange();
    void tempoEdChange();
    void speedEdChange();
    void restartEdChange();
    void layoutGridSelectCell(int row, int column, int previousRow, int previousColumn);
    void layoutGridSetEditText(int row, int column);
    void incOrderBtnClick();
    void decOrderBtnClick();
    void insBtnClick();
    void delBtnClick();
    void ordLeftBtnClick();
    void ordRightBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolbars();
    void CreateSongToolbars();
    QToolBar* CreateOrderToolbar();
    QToolBar* CreatePropertiesToolbar();
    QToolBar* AddToolbar(const char* title, const char* menuItem);
    void CreateStatusLine();
    void CreateWindows();
    void ApplicationStateChanged(Qt::ApplicationState state);
    void StepOrderPattern(int step);
    void SetOrderCellText(int column, int pattern);
    int VisibleOrderColumns() const;
    int FirstVisibleOrderColumn() const;
    void SetFirstVisibleOrderColumn(int column);
    bool ProgramChanging() const { return fillingProperties; }
    void UpdateEditActions();
    QString DisplayName() const;
    QString ProposedSaveName() const;
    void EnableSongProperties(bool enabled);
    TSong* Song() const;

    QString programDir;
    QString startFile;
    QElapsedTimer startupClock;
    qint64 startupEarlierMs = 0;
    TMainListener* Listener = nullptr;
    QMdiArea* mdiArea;
    QSplitter* panelSplitter;
    TFilePanel* filePanel;
    TRecentFiles* recentFiles;
    QMenu* fileMenu;
    QToolBar* mainToolbar;
    TEnvDlg* envDlg = nullptr;
    TSoundForm* soundForm = nullptr;
    TInstForm* instForm = nullptr;
    QMdiSubWindow* instWindow = nullptr;
    QMdiSubWindow* soundWindow = nullptr;
    QTimer moduleTimer;
    QTimer autosaveTimer;
    TAutosave autosave;
    int lastRow = -1;
    SongTimeline timeline_;
    bool timelineStale_ = true;
    QElapsedTimer timelineAge_;
    bool shownOnce = false;
    bool fillingProperties = false;
    // The order grid's tag: 1 while the program moves its selection.
    int layoutGridTag = 0;
    int firstOrderColumn = 0;
};

// A widget with this property set sees its keys before the frame; it lets the frame's keys
// through to its window, which hands them to FormKeyDown.
inline constexpr const char* kOwnKeysProperty = "cwOwnKeys";

// The frame window of the running program, null when there is none.
TMainForm* MainForm();
