#include "ui/windows/main_form.h"

#include "model/audio.h"
#include "model/errors.h"
#include "project/app_objects.h"
#include "ui/widgets/event_grid.h"
#include "ui/widgets/file_panel.h"
#include "ui/widgets/recent_files.h"
#include "ui/widgets/repeat_button.h"
#include "ui/windows/cleanup_flow.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/inst_form.h"
#include "ui/windows/main_listener.h"
#include "ui/windows/pattern_form.h"
#include "ui/windows/sound_form.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

namespace {

TMainForm* theMainForm = nullptr;

} // namespace

TMainForm* MainForm() {
    return theMainForm;
}

TMainForm::TMainForm(const QString& programDir_, QWidget* parent)
    : QMainWindow(parent), programDir(programDir_) {
    theMainForm = this;
    setWindowTitle("Cantorwright");
    setAcceptDrops(true);
    // Room for the toolbars' controls and a pattern editor beside the file panel.
    setMinimumSize(760, 480);

    mdiArea = new QMdiArea;
    filePanel = new TFilePanel;
    panelSplitter = new QSplitter(Qt::Horizontal);
    panelSplitter->addWidget(filePanel);
    panelSplitter->addWidget(mdiArea);
    panelSplitter->setStretchFactor(1, 1);
    setCentralWidget(panelSplitter);
    filePanel->hide();
    connect(filePanel, &TFilePanel::ModuleChosen, this, &TMainForm::OpenFromPanel);
    connect(panelSplitter, &QSplitter::splitterMoved, this, [this] {
        if (autoTileAct->isChecked()) mdiArea->tileSubWindows();
    });

    CreateActions();
    CreateMenus();
    CreateToolbars();
    CreateSongToolbars();
    CreateStatusLine();
    ClearSongProperties();

    moduleTimer.setInterval(50);
    connect(&moduleTimer, &QTimer::timeout, this, &TMainForm::moduleTimerTimer);
    connect(&autosaveTimer, &QTimer::timeout, this, &TMainForm::autosaveTimerTimer);
    QUndoStack* history = &SongEdit().History();
    connect(history, &QUndoStack::indexChanged, this, &TMainForm::UpdateEditActions);
    connect(history, &QUndoStack::cleanChanged, this, &TMainForm::UpdateCaption);
    UpdateEditActions();

    Listener =
        static_cast<TMainListener*>(EventManager().Register(std::make_unique<TMainListener>(this)));
    Audio().WindowHandle = static_cast<intptr_t>(winId());
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &TMainForm::ApplicationStateChanged);
    recentFiles->Load();
    qApp->installEventFilter(this);
    UpdatePlayButtons(true);
    CreateWindows();
}

// The windows that follow the frame at start, in their order.
void TMainForm::CreateWindows() {
    envDlg = new TEnvDlg(this);
    StartAutosave();
    instForm = new TInstForm;
    instWindow = mdiArea->addSubWindow(instForm);
    instWindow->setWindowTitle("Instrument Editor");
    // Closing hides it, so "Instrument Editor" can bring the same window back.
    instWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    instWindow->show();
    NewPatternEditorClick();
    instForm->CreateDialogs();
    soundForm = new TSoundForm;
    soundWindow = mdiArea->addSubWindow(soundForm);
    soundWindow->setWindowTitle("Sound Control");
    // Closing hides it, so "Sound Control" can bring the same window back.
    soundWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    soundWindow->showMinimized();
}

TMainForm::~TMainForm() {
    moduleTimer.stop();
    if (Listener) EventManager().Unregister(Listener);
    if (theMainForm == this) theMainForm = nullptr;
}

TSong* TMainForm::Song() const {
    return Project().Song();
}

void TMainForm::CreateActions() {
    newAct = new QAction("&New", this);
    newAct->setShortcut(QKeySequence("Ctrl+N"));
    newAct->setToolTip("new");
    connect(newAct, &QAction::triggered, this, &TMainForm::NewModule);
    openAct = new QAction("&Open", this);
    openAct->setShortcut(QKeySequence("Ctrl+O"));
    openAct->setToolTip("toggle file panel");
    openAct->setCheckable(true);
    connect(openAct, &QAction::triggered, this, &TMainForm::ToggleFilePanel);
    openFileAct = new QAction("Open &File...", this);
    openFileAct->setShortcut(QKeySequence("Ctrl+Shift+O"));
    connect(openFileAct, &QAction::triggered, this, &TMainForm::OpenFileClick);
    saveAct = new QAction("&Save", this);
    saveAct->setShortcut(QKeySequence("Ctrl+S"));
    saveAct->setToolTip("save");
    connect(saveAct, &QAction::triggered, this, &TMainForm::Save1Click);
    saveAsAct = new QAction("Save &As...", this);
    connect(saveAsAct, &QAction::triggered, this, &TMainForm::Save1Click);
    exportAudioAct = new QAction("&Export Audio...", this);
    connect(exportAudioAct, &QAction::triggered, this, &TMainForm::ExportAudioClick);
    exitAct = new QAction("E&xit", this);
    connect(exitAct, &QAction::triggered, this, &QWidget::close);
    undoAct = new QAction("&Undo", this);
    undoAct->setShortcut(QKeySequence("Ctrl+Z"));
    connect(undoAct, &QAction::triggered, this, [] { SongEdit().Undo(); });
    redoAct = new QAction("&Redo", this);
    redoAct->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
    connect(redoAct, &QAction::triggered, this, [] { SongEdit().Redo(); });
    cleanUpAct = new QAction("Clean Up...", this);
    connect(cleanUpAct, &QAction::triggered, this, &TMainForm::CleanUpClick);
    newPatternEditorAct = new QAction("&New Pattern Editor", this);
    newPatternEditorAct->setShortcut(QKeySequence("Ctrl+P"));
    newPatternEditorAct->setToolTip("new pattern editor");
    connect(newPatternEditorAct, &QAction::triggered, this, &TMainForm::NewPatternEditorClick);
    soundControlAct = new QAction("&Sound Control", this);
    soundControlAct->setShortcut(QKeySequence("Ctrl+D"));
    connect(soundControlAct, &QAction::triggered, this, &TMainForm::SoundControlClick);
    instEditorAct = new QAction("&Instrument Editor", this);
    connect(instEditorAct, &QAction::triggered, this, &TMainForm::InstEditorClick);
    configureAct = new QAction("&Configure...", this);
    configureAct->setShortcut(QKeySequence("Ctrl+E"));
    configureAct->setToolTip("configure");
    connect(configureAct, &QAction::triggered, this, &TMainForm::ConfigureClick);
    autoTileAct = new QAction("A&utoTile", this);
    autoTileAct->setCheckable(true);

    // The playback keys work whichever child window has the focus.
    const auto playback = [this](const char* hint, auto slot) {
        auto* action = new QAction(hint, this);
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    playBtn = playback("play", &TMainForm::playBtnClick);
    playPatBtn = playback("play pattern", &TMainForm::playPatBtnClick);
    pauseBtn = playback("pause", &TMainForm::pauseBtnClick);
    stopBtn = playback("stop", &TMainForm::stopBtnClick);
}

void TMainForm::CreateMenus() {
    fileMenu = menuBar()->addMenu("&File");
    fileMenu->addAction(newAct);
    fileMenu->addAction(openAct);
    fileMenu->addAction(openFileAct);
    fileMenu->addAction(saveAct);
    fileMenu->addAction(saveAsAct);
    fileMenu->addAction(exportAudioAct);
    fileMenu->addSeparator();
    fileMenu->addAction(exitAct);
    recentFiles = new TRecentFiles(fileMenu, this);
    connect(recentFiles, &TRecentFiles::FileClicked, this, &TMainForm::OpenRecentFile);

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction(undoAct);
    edit->addAction(redoAct);
    edit->addSeparator();
    edit->addAction(cleanUpAct);

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction(newPatternEditorAct);
    view->addAction(instEditorAct);
    view->addAction(soundControlAct);

    QMenu* options = menuBar()->addMenu("&Options");
    options->addAction(configureAct);
    options->addMenu("&Toolbars")->setObjectName("toolbarsMenu");

    QMenu* window = menuBar()->addMenu("&Window");
    connect(window->addAction("&Tile"), &QAction::triggered, mdiArea, &QMdiArea::tileSubWindows);
    connect(window->addAction("&Cascade"), &QAction::triggered, mdiArea,
            &QMdiArea::cascadeSubWindows);
    connect(window->addAction("&Arrange All"), &QAction::triggered, mdiArea,
            &QMdiArea::tileSubWindows);
    window->addAction(autoTileAct);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Contents");
    help->addAction("&Search for Help On...");
    help->addAction("&How to Use Help");
    help->addSeparator();
    connect(help->addAction("&About..."), &QAction::triggered, this, &TMainForm::AboutClick);
}

void TMainForm::CreateToolbars() {
    mainToolbar = AddToolbar("Main Toolbar", "Main");
    mainToolbar->addAction(newAct);
    mainToolbar->addAction(openAct);
    mainToolbar->addAction(saveAct);
    mainToolbar->addAction(configureAct);
    mainToolbar->addAction(newPatternEditorAct);

    QToolBar* playback = AddToolbar("Playback Toolbar", "Playback");
    playback->addAction(playBtn);
    playback->addAction(playPatBtn);
    playback->addAction(pauseBtn);
    playback->addAction(stopBtn);
    prevOrderBtn = new TRepeatButton("backward");
    nxtOrderBtn = new TRepeatButton("forward");
    for (TRepeatButton* button : {prevOrderBtn, nxtOrderBtn}) {
        button->SetTiming(500, 50);
        button->setToolTip(button->text());
        button->setFlat(true);
        playback->addWidget(button);
    }
    connect(prevOrderBtn, &QPushButton::clicked, this, &TMainForm::prevOrderBtnClick);
    connect(nxtOrderBtn, &QPushButton::clicked, this, &TMainForm::nxtOrderBtnClick);
}

QToolBar* TMainForm::AddToolbar(const char* title, const char* menuItem) {
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(title);
    bar->setMovable(true);
    bar->setFloatable(true);
    // The menu's check mark and the toolbar's visibility follow each other both ways.
    QAction* toggle = bar->toggleViewAction();
    toggle->setText(menuItem);
    menuBar()->findChild<QMenu*>("toolbarsMenu")->addAction(toggle);
    return bar;
}

void TMainForm::CreateStatusLine() {
    posPanel = new QLabel;
    posPanel->setMinimumWidth(60);
    infoPanel1 = new QLabel;
    clrMsgBtn = new QPushButton("Clear Msg.");
    connect(clrMsgBtn, &QPushButton::clicked, this, &TMainForm::clrMsgBtnClick);
    transportPanel = new QLabel;
    transportPanel->setObjectName("transportPanel");
    statusBar()->addWidget(posPanel);
    statusBar()->addWidget(transportPanel);
    statusBar()->addWidget(infoPanel1, 1);
    statusBar()->addPermanentWidget(clrMsgBtn);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce) return;
    shownOnce = true;
    panelSplitter->setSizes({width() / 4, width() - width() / 4});
    // A start file that cannot be read leaves no song open and says why.
    try {
        if (startFile.isEmpty())
            NewModule();
        else
            OpenModule(startFile.toStdString());
    } catch (const std::exception& error) {
        ShowException(error);
    }
    // Queued, so the window is up behind the question.
    QTimer::singleShot(0, this, &TMainForm::OfferRestore);
    if (!startupClock.isValid()) return;
    // Queued, so the figure includes the first paint of the window.
    QTimer::singleShot(0, this, [this] {
        ShowMessage(QString("startup time: %1 ms.").arg(startupEarlierMs + startupClock.elapsed()));
    });
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (autoTileAct->isChecked()) mdiArea->tileSubWindows();
}

void TMainForm::UpdateEditActions() {
    const TSongEdit& edit = SongEdit();
    undoAct->setEnabled(edit.CanUndo());
    undoAct->setText(edit.CanUndo() ? "&Undo " + edit.UndoText() : QString("&Undo"));
    redoAct->setEnabled(edit.CanRedo());
    redoAct->setText(edit.CanRedo() ? "&Redo " + edit.RedoText() : QString("&Redo"));
}

void TMainForm::UpdatePlayButtons(bool stopped) {
    const bool open = Song() != nullptr;
    playBtn->setEnabled(open);
    playPatBtn->setEnabled(open);
    pauseBtn->setEnabled(!stopped);
    stopBtn->setEnabled(!stopped);
    prevOrderBtn->setEnabled(true);
    nxtOrderBtn->setEnabled(true);
}

void TMainForm::ShowPosition() {
    if (!Song()) return;
    posPanel->setText(
        QString("%1: %2").arg(Song()->CurrentPosition()).arg(Song()->CurrentRow() + 1));
    ShowTransport();
}

void TMainForm::ShowException(const std::exception& error) {
    const auto* own = dynamic_cast<const EZException*>(&error);
    const QString className = own ? own->ClassName() : "Exception";
    infoPanel1->setStyleSheet("color: red");
    ShowMessage(className + ": " + QString::fromStdString(error.what()));
}

void TMainForm::ShowMessage(const QString& text) {
    infoPanel1->setText(text);
    // A message wider than the line is cut off; hovering shows it whole.
    infoPanel1->setToolTip(text);
}

void TMainForm::ClearStaleError() {
    if (infoPanel1->styleSheet().contains("red")) clrMsgBtnClick();
}

void TMainForm::clrMsgBtnClick() {
    infoPanel1->setStyleSheet(QString());
    infoPanel1->clear();
    infoPanel1->setToolTip(QString());
}

void TMainForm::playBtnClick() {
    if (!Song()) return;
    Song()->Play(true);
    if (Song()->Playing()) {
        ClearStaleError();
        moduleTimer.start();
        UpdatePlayButtons(false);
    } else {
        UpdatePlayButtons(true);
    }
}

void TMainForm::playPatBtnClick() {
    if (!Song()) return;
    Song()->PlayPattern(true);
    if (Song()->Playing()) {
        ClearStaleError();
        moduleTimer.start();
        UpdatePlayButtons(false);
    } else {
        UpdatePlayButtons(true);
    }
}

void TMainForm::stopBtnClick() {
    if (Song()) {
        Song()->Stop();
        Song()->Rewind();
        EventManager().Dispatch<EvSongPosChange>();
    }
    moduleTimer.stop();
    UpdatePlayButtons(true);
}

void TMainForm::pauseBtnClick() {
    if (Song()) Song()->Stop();
    UpdatePlayButtons(true);
    moduleTimer.stop();
}

void TMainForm::prevOrderBtnClick() {
    if (!Song()) return;
    Song()->SetPosition(Song()->CurrentPosition() - 1);
    EventManager().Dispatch<EvSongPosChange>();
}

void TMainForm::nxtOrderBtnClick() {
    if (!Song()) return;
    Song()->SetPosition(Song()->CurrentPosition() + 1);
    EventManager().Dispatch<EvSongPosChange>();
}

void TMainForm::moduleTimerTimer() {
    try {
        if (!Song() || !Song()->Playing()) return;
        // The row is read once: the song plays on while the announcement is handled, and a
        // second read could skip the row the panels were never shown.
        const int row = Song()->CurrentRow();
        if (row == lastRow) return;
        lastRow = row;
        EventManager().Dispatch<EvSongPosChange>();
    } catch (const EZException& error) {
        ShowMessage(error.what());
    }
}

void TMainForm::octaveEditChange(int value) {
    BaseOctave() = value;
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!Song()) return false;
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    if (key >= Qt::Key_F2 && key <= Qt::Key_F7 && !ctrl) {
        octaveEdit->setValue(key - Qt::Key_F2 + 1);
        BaseOctave() = octaveEdit->value();
        return false; // octave keys reach the window that has the focus too
    }
    if (key == Qt::Key_F8 && !ctrl)
        playBtnClick();
    else if (key == Qt::Key_F9 && !ctrl)
        playPatBtnClick();
    else if (key == Qt::Key_F10 && !ctrl)
        stopBtnClick();
    else if (key == Qt::Key_Left && ctrl)
        prevOrderBtnClick();
    else if (key == Qt::Key_Right && ctrl)
        nxtOrderBtnClick();
    else
        return false;
    return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Undo and redo are the song's wherever the focus is: a field's own text undo would leave
    // the user's last edit in place.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
            return true;
    }
    // Seen before any child window, so the frame's keys work wherever the focus is.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // A widget that has keys of its own (the event grid's Ctrl+arrows) passes on the rest.
        const bool ownKeys = widget->property(kOwnKeysProperty).toBool();
        if (!ownKeys && (widget->window() == this || mdiArea->isAncestorOf(widget))) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (FormKeyDown(key->key(), key->modifiers())) return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ApplicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) return;
    if (Song() && !Song()->Playing() && Audio().Active && !Audio().Suspended)
        Audio().SuspendOutput();
}

void TMainForm::ToggleFilePanel() {
    const bool show = !filePanel->isVisible();
    filePanel->setVisible(show);
    openAct->setChecked(show);
    if (!show) return;
    panelSplitter->setSizes({width() / 4, width() - width() / 4});
    QSettings settings("Cantorwright", "Cantorwright");
    const QString folder = settings.value("ModuleDir").toString();
    if (!folder.isEmpty()) filePanel->SelectFolder(folder);
}

void TMainForm::SaveModuleDir() {
    if (!filePanel->isVisible() || filePanel->FilterIndex() != TFilePanel::Modules) return;
    QSettings settings("Cantorwright", "Cantorwright");
    settings.setValue("ModuleDir", filePanel->SelectedFolder());
    recentFiles->Save();
}

void TMainForm::ConfigureClick() {
    envDlg->exec();
}

void TMainForm::SoundControlClick() {
    soundWindow->showNormal();
    mdiArea->setActiveSubWindow(soundWindow);
}

void TMainForm::InstEditorClick() {
    instWindow->showNormal();
    mdiArea->setActiveSubWindow(instWindow);
}

void TMainForm::CleanUpClick() {
    RunCleanUp(Song(), this);
}

void TMainForm::NewPatternEditorClick() {
    auto* form = new TPatternForm;
    QMdiSubWindow* window = mdiArea->addSubWindow(form);
    window->show();
    mdiArea->setActiveSubWindow(window);
    form->Grid()->SetCursor(TGridCursor(0, 0, kPosNote));
    form->Grid()->setFocus();
}

TPatternForm* TMainForm::RecordingPatternForm() const {
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (auto* form = qobject_cast<TPatternForm*>((*it)->widget()); form && (*it)->isVisible())
            return form;
    return nullptr;
}

void TMainForm::AboutClick() {
    QMessageBox box(this);
    box.setWindowTitle("About");
    box.setText("Cantorwright\nAn editor for XM tracker modules.");
    box.addButton("Close", QMessageBox::AcceptRole);
    box.exec();
}
