// "Clean Up": which unused things to remove.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

class TCleanupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCleanupDlg(QWidget* parent = nullptr);

    QCheckBox* patternsCB;
    QCheckBox* instrumentsCB;
    QPushButton* okBtn;
    QPushButton* cancelBtn;
};
