#include "ui/widgets/recent_files.h"

#include <QFileInfo>
#include <QMenu>
#include <QSettings>

TRecentFiles::TRecentFiles(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {}

void TRecentFiles::Add(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return;
    files_.removeAll(fileName);
    files_.prepend(fileName);
    while (files_.size() > MaxFiles) files_.removeLast();
    Rebuild();
}

void TRecentFiles::Rebuild() {
    if (!separator_) separator_ = menu_->addSeparator();
    // Grow or shrink the entry list, then rewrite every caption, so the numbers follow the order.
    while (entries_.size() < files_.size()) {
        QAction* entry = menu_->addAction(QString());
        connect(entry, &QAction::triggered, this,
                [this, entry] { emit FileClicked(entry->data().toString()); });
        entries_.append(entry);
    }
    while (entries_.size() > files_.size()) delete entries_.takeLast();
    for (int i = 0; i < files_.size(); ++i) {
        entries_[i]->setText(QString("&%1 %2").arg(i + 1).arg(files_[i]));
        entries_[i]->setData(files_[i]);
    }
}

void TRecentFiles::Load() {
    QSettings settings("Cantorwright", "Cantorwright");
    settings.beginGroup("FileHistory");
    for (int n = MaxFiles; n >= 1; --n) {
        const QString file = settings.value(QString("File%1").arg(n)).toString();
        if (!file.isEmpty()) Add(file);
    }
}

void TRecentFiles::Save() const {
    QSettings settings("Cantorwright", "Cantorwright");
    settings.remove("FileHistory");
    settings.beginGroup("FileHistory");
    for (int i = 0; i < files_.size(); ++i)
        settings.setValue(QString("File%1").arg(i + 1), files_[i]);
}
