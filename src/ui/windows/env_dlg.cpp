#include "ui/windows/env_dlg.h"

#include "project/app_objects.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

TEnvDlg::TEnvDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Configure Cantorwright");

    categoryLabel = new QLabel("Select a Category:", this);
    categoryTree = new QTreeWidget(this);
    categoryTree->setObjectName("categoryTree");
    categoryTree->setHeaderHidden(true);
    categoryTree->setRootIsDecorated(false);
    categoryTree->setMaximumWidth(160);
    pages = new QStackedWidget(this);

    AddPage("Audio Settings", BuildAudioPage());
    AddPage("Directories", BuildDirectoriesPage());
    AddPage("Envelope Editor", new QWidget);
    AddPage("Event Editor", BuildEventEditorPage());
    AddPage("MIDI Options", BuildMidiPage());
    AddPage("Piano Roll", BuildPianoRollPage());
    AddPage("Sample Editor", BuildSampleEditorPage());
    AddPage("Shortcut Keys", BuildShortcutPage());

    okBtn = new QPushButton("OK", this);
    okBtn->setDefault(true);
    cancelBtn = new QPushButton("Cancel", this);
    applyBtn = new QPushButton("Apply", this);
    connect(okBtn, &QPushButton::clicked, this, &TEnvDlg::okBtnClick);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(applyBtn, &QPushButton::clicked, this, &TEnvDlg::applyBtnClick);
    connect(categoryTree, &QTreeWidget::currentItemChanged, this, &TEnvDlg::ShowSelectedPage);

    auto* left = new QVBoxLayout;
    left->addWidget(categoryLabel);
    left->addWidget(categoryTree);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(pages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    buttons->addWidget(applyBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    SelectPage("Audio Settings");
    mixRateBox->setCurrentIndex(0);
    outputQualityBox->setCurrentIndex(0);
    filterBox->setCurrentIndex(0);
    LoadSettings();
}

void TEnvDlg::AddPage(const QString& caption, QWidget* page) {
    // The page carries its caption so the tree entry finds it by text.
    page->setWindowTitle(caption);
    pages->addWidget(page);
    categoryTree->addTopLevelItem(new QTreeWidgetItem(QStringList{caption}));
}

bool TEnvDlg::SelectPage(const QString& caption) {
    const QList<QTreeWidgetItem*> found = categoryTree->findItems(caption, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    categoryTree->setCurrentItem(found.front());
    ShowSelectedPage();
    return true;
}

QString TEnvDlg::CurrentPage() const {
    return pages->currentWidget() ? pages->currentWidget()->windowTitle() : QString();
}

void TEnvDlg::ShowSelectedPage() {
    const QTreeWidgetItem* item = categoryTree->currentItem();
    if (!item) return;
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->windowTitle() == item->text(0)) pages->setCurrentIndex(i);
}

void TEnvDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!categoryTree->isHidden()) ShowSelectedPage();
}

int TEnvDlg::ExecOnPage(const QString& caption) {
    SelectPage(caption);
    categoryLabel->hide();
    categoryTree->hide();
    const int result = exec();
    categoryLabel->show();
    categoryTree->show();
    return result;
}

void TEnvDlg::okBtnClick() {
    SaveSettings();
    EventManager().Dispatch<EvEnvPropsChange>();
    accept();
}

void TEnvDlg::applyBtnClick() {
    // Apply ends the modal dialog as well, only with the cancel result.
    SaveSettings();
    EventManager().Dispatch<EvEnvPropsChange>();
    reject();
}
