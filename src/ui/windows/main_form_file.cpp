// Opening, new, saving and quitting, with the user's work kept safe: a song that cannot be read
// costs nothing, unsaved changes are asked about, and a modified song is autosaved.
#include "model/audio.h"
#include "model/errors.h"
#include "model/import_report.h"
#include "project/app_objects.h"
#include "ui/widgets/file_panel.h"
#include "ui/widgets/recent_files.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"
#include "ui/windows/export_dlg.h"
#include "ui/windows/main_form.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>

bool TMainForm::OpenModule(const std::string& fileName) {
    if (!ConfirmDiscard()) return false;
    if (!Audio().Active) Audio().StartUp();
    // The new song is read first: a file that cannot be read leaves the open one as it was.
    std::unique_ptr<TSong> song;
    try {
        song = std::make_unique<TSong>(fileName);
    } catch (...) {
        if (!Song() && Audio().Active) Audio().ShutDown();
        throw;
    }
    // Shutting the audio down below ends every player, so the new song holds none meanwhile.
    song->StopPlayer();
    const bool wasPlaying = stopBtn->isEnabled();
    if (Song()) {
        if (wasPlaying) stopBtnClick();
        EventManager().Dispatch<EvClosingModule>();
        SongEdit().Clear();
        Project().Close();
        EventManager().Dispatch<EvClosedModule>();
    }
    SongEdit().Clear();
    autosave.Remove();
    if (!Audio().Active) Audio().StartUp();
    Project().Adopt(std::move(song), fileName);
    Song()->StartPreviewPlayer();
    EventManager().Dispatch<EvLoadModule>();
    ClearStaleError();
    // Said once: from here on the song plays by XM's rules, as the saved copy will.
    const std::string report = ImportReport(*Song()->Module());
    if (!report.empty()) ShowMessage(QString::fromStdString(report));
    if (wasPlaying)
        playBtnClick();
    else
        UpdatePlayButtons(true);
    return true;
}

void TMainForm::NewModule() {
    if (!OpenModule(QDir(programDir).filePath("defmodule.xm").toStdString())) return;
    Project().SetFileName((filePanel->SelectedFolder() + "Untitled").toStdString());
    UpdateCaption();
}

QString TMainForm::DisplayName() const {
    const QString name = QFileInfo(QString::fromStdString(Project().FileName())).fileName();
    return name == "defmodule.xm" ? QString("Untitled") : name;
}

void TMainForm::UpdateCaption() {
    const bool modified = Song() && SongEdit().Modified();
    setWindowTitle("Cantorwright - " + DisplayName() + (modified ? "*" : ""));
}

bool TMainForm::ConfirmDiscard() {
    if (!Song() || !SongEdit().Modified()) return true;
    QMessageBox box(QMessageBox::Warning, "Cantorwright",
                    QString("Save changes to %1?").arg(DisplayName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName("saveChangesBox");
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveWithDialog();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

QString TMainForm::ProposedSaveName() const {
    const QFileInfo file(QString::fromStdString(Project().FileName()));
    QDir folder = file.absoluteDir();
    // A new song proposes "Untitled" in the panel's folder; without one, the home folder.
    if (!folder.exists()) folder = QDir::home();
    // An imported module is saved as XM beside it, never over the original.
    QString name = file.fileName();
    if (file.suffix().compare("xm", Qt::CaseInsensitive) != 0 && !file.suffix().isEmpty())
        name = file.completeBaseName() + ".xm";
    return folder.filePath(name);
}

void TMainForm::Save1Click() {
    SaveWithDialog();
}

bool TMainForm::SaveWithDialog() {
    if (!Song()) return false;
    QFileDialog dialog(this, "Save", ProposedSaveName(), "Fastracker Modules (*.xm)");
    dialog.setObjectName("saveDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("xm");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString target = dialog.selectedFiles().first();
    if (!QFileInfo(target).absoluteDir().exists())
        throw ESongError("Cannot save " + target.toStdString() + ": the folder does not exist");
    Project().SaveAs(target.toStdString());
    SongEdit().SetSaved();
    autosave.Remove();
    UpdateCaption();
    ClearStaleError();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    // A clean exit leaves no copy to offer next time.
    autosave.Remove();
    QMainWindow::closeEvent(event);
}

void TMainForm::StartAutosave() {
    const int seconds = envDlg ? envDlg->autosaveEd->value() : 60;
    if (seconds <= 0) {
        autosaveTimer.stop();
        return;
    }
    autosaveTimer.start(seconds * 1000);
}

void TMainForm::autosaveTimerTimer() {
    if (!Song() || !SongEdit().Modified()) return;
    try {
        autosave.Write(*Song(), QString::fromStdString(Project().FileName()));
    } catch (const EZException& error) {
        ShowException(error);
    }
}

void TMainForm::OfferRestore() {
    for (const TAutosave::Found& copy : TAutosave::Orphans()) {
        const QString name = QFileInfo(copy.original).fileName();
        QMessageBox box(QMessageBox::Question, "Cantorwright",
                        QString("Restore unsaved changes to %1 from %2?")
                            .arg(name == "defmodule.xm" ? QString("Untitled") : name,
                                 QLocale().toString(copy.time, QLocale::ShortFormat)),
                        QMessageBox::NoButton, this);
        box.setObjectName("restoreBox");
        QPushButton* restore = box.addButton("Restore", QMessageBox::AcceptRole);
        box.addButton("Discard", QMessageBox::DestructiveRole);
        box.exec();
        if (box.clickedButton() != static_cast<QAbstractButton*>(restore)) {
            TAutosave::Discard(copy);
            continue;
        }
        if (!OpenModule(copy.module.toStdString())) return;
        Project().SetFileName(copy.original.toStdString());
        // The restored song is not the one in its file until the user saves it.
        SongEdit().History().resetClean();
        TAutosave::Discard(copy);
        UpdateCaption();
        return;
    }
}

void TMainForm::OpenFromPanel(const QString& fileName) {
    if (OpenModule(fileName.toStdString())) recentFiles->Add(fileName);
}

void TMainForm::OpenFileClick() {
    QString folder = QSettings("Cantorwright", "Cantorwright").value("ModuleDir").toString();
    if (folder.isEmpty() || !QDir(folder).exists()) folder = filePanel->SelectedFolder();
    QFileDialog dialog(this, "Open", folder, TFilePanel::ModulesDialogFilter() + ";;All files (*)");
    dialog.setObjectName("openDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    OpenFromPanel(dialog.selectedFiles().first());
}

void TMainForm::OpenRecentFile(const QString& fileName) {
    if (QFileInfo::exists(fileName)) OpenModule(fileName.toStdString());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) return;
    event->acceptProposedAction();
    OpenModule(urls.first().toLocalFile().toStdString());
}

void TMainForm::ExportAudioClick() {
    if (!Song()) return;
    const QFileInfo source(QString::fromStdString(Project().FileName()));
    TExportAudioDlg dialog(source.dir().filePath(source.completeBaseName() + ".wav"), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const TAudioExportOptions options = dialog.Options();
    if (options.fileName.empty()) return;
    // The export reads the song the player reads; a running playback would only compete.
    if (stopBtn->isEnabled()) pauseBtnClick();
    QString error;
    switch (RunAudioExport(this, Song()->Module(), options, error)) {
    case TExportResult::Done:
        ClearStaleError();
        ShowMessage("Exported " + QString::fromStdString(options.fileName));
        break;
    case TExportResult::Cancelled:
        ShowMessage("Export cancelled");
        break;
    case TExportResult::Failed:
        ShowException(ESongError(error.toStdString()));
        break;
    }
}
