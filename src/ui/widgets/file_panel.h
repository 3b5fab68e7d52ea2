// The file panel: a folder tree and the matching files of the selected folder under one of four
// filters. Double-clicking a module opens it; any entry drags out as a file URL.
#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QFileSystemModel;
class QListView;
class QTreeView;

class TFilePanel : public QWidget {
    Q_OBJECT
public:
    enum Filter { Instruments = 0, Samples = 1, Modules = 2, AllFiles = 3 };

    explicit TFilePanel(QWidget* parent = nullptr);

    // The selected folder as a full path ending in a separator, or "?" when none is selected.
    QString SelectedFolder() const;
    void SelectFolder(const QString& folder);
    int FilterIndex() const;
    void SetFilterIndex(int index);
    // The names the file list shows now, in its order.
    QStringList ListedFiles() const;
    void OpenEntry(const QString& fileName);
    QListView* FileBox() const { return fileBox; }
    // Typing a folder here and Return selects it.
    QLineEdit* PathEdit() const { return pathEdit; }
    // The name filter of the Modules entry, as a file dialog takes it.
    static QString ModulesDialogFilter();

signals:
    void ModuleChosen(const QString& fileName);

private:
    void filterBoxChange(int index);
    void fileBoxDblClick(const QModelIndex& index);

    QComboBox* filterBox;
    QLineEdit* pathEdit;
    QTreeView* dirBox;
    QListView* fileBox;
    QFileSystemModel* dirModel;
    QFileSystemModel* fileModel;
};
