#include "ui/windows/cleanup_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TCleanupDlg::TCleanupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Clean Up");
    auto* group = new QGroupBox("Remove", this);
    patternsCB = new QCheckBox("Unused &Patterns", group);
    instrumentsCB = new QCheckBox("Unused &Instruments", group);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(patternsCB);
    groupLayout->addWidget(instrumentsCB);

    okBtn = new QPushButton("OK", this);
    okBtn->setDefault(true);
    cancelBtn = new QPushButton("Cancel", this);
    connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}
