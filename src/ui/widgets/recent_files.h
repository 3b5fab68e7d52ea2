// The most recent modules as numbered entries at the end of a menu, kept in the settings under
// the group "FileHistory" as "File1" (most recent) .. "File5".
#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;

class TRecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxFiles = 5;

    explicit TRecentFiles(QMenu* menu, QObject* parent = nullptr);

    // Puts an existing file on top (moving it if listed); drops the oldest beyond MaxFiles.
    void Add(const QString& fileName);
    QStringList Files() const { return files_; }
    QList<QAction*> Entries() const { return entries_; }
    void Load();
    void Save() const;

signals:
    void FileClicked(const QString& fileName);

private:
    void Rebuild();

    QMenu* menu_;
    QAction* separator_ = nullptr;
    QStringList files_;
    QList<QAction*> entries_;
};
