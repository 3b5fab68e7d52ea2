#include "ui/windows/remove_inst_dlg.h"

#include "model/instrument.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TRemoveInstDlg::TRemoveInstDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Remove Unsed Instruments");
    auto* text = new QLabel("The following instruments are not being used.  If you want to keep "
                            "a particular instrument, remove the checkmark next to it.",
                            this);
    text->setWordWrap(true);
    instListBox = new QListWidget(this);
    instListBox->setObjectName("instListBox");
    selectAllBtn = new QPushButton("Select All", this);
    unselectAllBtn = new QPushButton("Unselect All", this);
    okBtn = new QPushButton("OK", this);
    okBtn->setDefault(true);
    cancelBtn = new QPushButton("Cancel", this);
    connect(selectAllBtn, &QPushButton::clicked, this, [this] { SelectBtnClick(true); });
    connect(unselectAllBtn, &QPushButton::clicked, this, [this] { SelectBtnClick(false); });
    connect(okBtn, &QPushButton::clicked, this, &TRemoveInstDlg::okBtnClick);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(selectAllBtn);
    buttons->addWidget(unselectAllBtn);
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(instListBox, 1);
    layout->addLayout(buttons);
}

void TRemoveInstDlg::Fill(const std::vector<TInstrument*>& candidates) {
    instruments_ = candidates;
    instListBox->clear();
    for (const TInstrument* instrument : instruments_) {
        const QString line =
            QString::number(instrument->Number(), 16).rightJustified(2, '0').toUpper() + ": " +
            QString::fromLatin1(instrument->Name());
        auto* item = new QListWidgetItem(line, instListBox);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

void TRemoveInstDlg::SelectBtnClick(bool tick) {
    for (int i = 0; i < instListBox->count(); ++i)
        instListBox->item(i)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
}

void TRemoveInstDlg::okBtnClick() {
    for (int i = instListBox->count() - 1; i >= 0; --i)
        if (instListBox->item(i)->checkState() != Qt::Checked)
            instruments_.erase(instruments_.begin() + i);
    accept();
}
