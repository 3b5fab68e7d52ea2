// Lets the user keep some of the unused instruments before they are removed.
#pragma once

#include <QDialog>
#include <vector>

class QListWidget;
class QPushButton;
class TInstrument;

class TRemoveInstDlg : public QDialog {
    Q_OBJECT
public:
    explicit TRemoveInstDlg(QWidget* parent = nullptr);

    // One ticked line per candidate, in the order given.
    void Fill(const std::vector<TInstrument*>& candidates);
    // The candidates; after "OK" only those whose line stayed ticked.
    const std::vector<TInstrument*>& Instruments() const { return instruments_; }

    QListWidget* instListBox;
    QPushButton* selectAllBtn;
    QPushButton* unselectAllBtn;
    QPushButton* okBtn;
    QPushButton* cancelBtn;

private:
    void SelectBtnClick(bool tick);
    void okBtnClick();

    std::vector<TInstrument*> instruments_;
};
