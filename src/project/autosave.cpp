#include "project/autosave.h"

#include "model/song.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <csignal>

namespace {

bool RunIsAlive(qint64 pid) {
    if (pid <= 0) return false;
    if (pid == QCoreApplication::applicationPid()) return true;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QString TAutosave::Folder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath("autosave");
}

QString TAutosave::ModulePath(qint64 pid) {
    return QDir(Folder()).filePath(QString("run-%1.xm").arg(pid));
}

QString TAutosave::InfoPath(qint64 pid) {
    return QDir(Folder()).filePath(QString("run-%1.ini").arg(pid));
}

std::vector<TAutosave::Found> TAutosave::Orphans() {
    std::vector<Found> found;
    const QDir folder(Folder());
    for (const QFileInfo& entry : folder.entryInfoList({"run-*.ini"}, QDir::Files)) {
        bool ok = false;
        const qint64 pid = entry.completeBaseName().mid(4).toLongLong(&ok);
        if (!ok || RunIsAlive(pid)) continue;
        QSettings info(entry.filePath(), QSettings::IniFormat);
        Found copy{ModulePath(pid), info.value("original").toString(),
                   info.value("time").toDateTime(), entry.filePath()};
        if (QFileInfo::exists(copy.module)) found.push_back(copy);
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.time > b.time; });
    return found;
}

void TAutosave::Discard(const Found& found) {
    QFile::remove(found.module);
    QFile::remove(found.info);
}

void TAutosave::Write(const TSong& song, const QString& originalFile) {
    QDir().mkpath(Folder());
    const qint64 pid = QCoreApplication::applicationPid();
    song.SaveToXM(ModulePath(pid).toStdString());
    {
        QSettings info(InfoPath(pid), QSettings::IniFormat);
        info.setValue("original", originalFile);
        info.setValue("time", QDateTime::currentDateTime());
    }
    written_ = true;
}

void TAutosave::Remove() {
    const qint64 pid = QCoreApplication::applicationPid();
    QFile::remove(ModulePath(pid));
    QFile::remove(InfoPath(pid));
    written_ = false;
}
