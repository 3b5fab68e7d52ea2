#include "ui/widgets/file_panel.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

struct FilterEntry {
    const char* caption;
    const char* masks;
};

constexpr FilterEntry kFilters[] = {
    {"Instruments (xi)", "*.xi"},
    {"Samples (wav/iff/smp)", "*.wav;*.iff;*.smp"},
    {"Modules (xm/it/s3m/mod)", "*.xm;*.it;*.s3m;*.mod"},
    {"All files (*.*)", "*"},
};

} // namespace

TFilePanel::TFilePanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel("  View:"));
    filterBox = new QComboBox;
    for (const auto& filter : kFilters) filterBox->addItem(filter.caption);
    filterRow->addWidget(filterBox, 1);
    layout->addLayout(filterRow);
    pathEdit = new QLineEdit;
    pathEdit->setObjectName("pathEdit");
    pathEdit->setToolTip("type a folder and press Return");
    layout->addWidget(pathEdit);

    dirModel = new QFileSystemModel(this);
    dirModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirModel->setRootPath("/");
    dirBox = new QTreeView;
    dirBox->setModel(dirModel);
    dirBox->setToolTip("select a folder");
    for (int column = 1; column < dirModel->columnCount(); ++column) dirBox->hideColumn(column);
    dirBox->header()->hide();

    fileModel = new QFileSystemModel(this);
    fileModel->setFilter(QDir::Files);
    fileModel->setNameFilterDisables(false);
    fileBox = new QListView;
    fileBox->setModel(fileModel);
    fileBox->setDragEnabled(true);
    fileBox->setDragDropMode(QAbstractItemView::DragOnly);
    fileBox->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(dirBox);
    splitter->addWidget(fileBox);
    layout->addWidget(splitter, 1);

    connect(filterBox, &QComboBox::currentIndexChanged, this, &TFilePanel::filterBoxChange);
    connect(dirBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const QString path = dirModel->filePath(current);
                fileBox->setRootIndex(fileModel->setRootPath(path));
                if (!pathEdit->hasFocus()) pathEdit->setText(QDir::toNativeSeparators(path));
            });
    connect(fileBox, &QListView::doubleClicked, this, &TFilePanel::fileBoxDblClick);
    connect(pathEdit, &QLineEdit::returnPressed, this, [this] {
        const QString folder = QDir::fromNativeSeparators(pathEdit->text().trimmed());
        if (QDir(folder).exists()) SelectFolder(QDir(folder).absolutePath());
    });

    SetFilterIndex(Modules);
    SelectFolder(QDir::currentPath());
}

QString TFilePanel::ModulesDialogFilter() {
    const FilterEntry& modules = kFilters[Modules];
    return QString("%1 (%2)").arg(modules.caption, QString(modules.masks).replace(';', ' '));
}

QString TFilePanel::SelectedFolder() const {
    const QModelIndex current = dirBox->currentIndex();
    if (!current.isValid()) return "?";
    QString path = QDir::toNativeSeparators(dirModel->filePath(current));
    if (!path.endsWith(QDir::separator())) path += QDir::separator();
    return path;
}

void TFilePanel::SelectFolder(const QString& folder) {
    const QModelIndex index = dirModel->index(QDir(folder).absolutePath());
    if (!index.isValid()) return;
    dirBox->setCurrentIndex(index);
    dirBox->scrollTo(index);
}

int TFilePanel::FilterIndex() const {
    return filterBox->currentIndex();
}

void TFilePanel::SetFilterIndex(int index) {
    filterBox->setCurrentIndex(index);
    filterBoxChange(index);
}

void TFilePanel::filterBoxChange(int index) {
    if (index < 0) return;
    fileModel->setNameFilters(QString(kFilters[index].masks).split(';'));
}

QStringList TFilePanel::ListedFiles() const {
    QStringList names;
    const QModelIndex root = fileBox->rootIndex();
    for (int row = 0; row < fileModel->rowCount(root); ++row)
        names << fileModel->fileName(fileModel->index(row, 0, root));
    names.sort();
    return names;
}

void TFilePanel::fileBoxDblClick(const QModelIndex& index) {
    OpenEntry(fileModel->filePath(index));
}

void TFilePanel::OpenEntry(const QString& fileName) {
    if (FilterIndex() != Modules) return;
    emit ModuleChosen(fileName);
}
