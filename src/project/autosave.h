// Crash recovery: while the song is modified, a copy goes now and then to the user's data folder,
// never over the user's own file. A clean exit or a save removes it, so a copy found at start
// belongs to a run that did not end cleanly.
#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

class TSong;

class TAutosave {
public:
    // A copy left by a run that is no longer alive.
    struct Found {
        QString module;   // the copy
        QString original; // the file name the song had
        QDateTime time;   // when the copy was written
        QString info;     // what describes the copy
    };

    // <data folder>/autosave
    static QString Folder();
    // Copies left by runs that are no longer alive, newest first.
    static std::vector<Found> Orphans();
    static void Discard(const Found& found);

    // Writes this run's copy atomically, as every save is; the song's own file is untouched.
    void Write(const TSong& song, const QString& originalFile);
    // Removes this run's copy.
    void Remove();
    bool Written() const { return written_; }

private:
    static QString ModulePath(qint64 pid);
    static QString InfoPath(qint64 pid);

    bool written_ = false;
};
