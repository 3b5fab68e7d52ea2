// The drop-down windows that choose which tracks and which instruments the piano roll shows.
// There is one of each for the whole program, bound to one pattern window at a time.
#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QPushButton;
class TCheckList;
class TPatternForm;

class TFilterPopup : public QWidget {
    Q_OBJECT
public:
    TCheckList* List() const { return list_; }
    TPatternForm* Bound() const { return bound_; }
    QPushButton* allBtn;
    QPushButton* noneBtn;
    // Shows the window with its top-left at a screen point, pulled back inside the screen.
    void PopUpAt(QPoint topLeft);

protected:
    TFilterPopup(const QString& title, const QString& listName);
    virtual void SetVisible(int index, bool on) = 0;
    bool event(QEvent* event) override;

    TCheckList* list_;
    QHBoxLayout* buttons_;
    QPointer<TPatternForm> bound_;
};

class TtrackPopupForm : public TFilterPopup {
    Q_OBJECT
public:
    static TtrackPopupForm* Instance();
    // Marks reload only when the window changes.
    void Bind(TPatternForm* form);

protected:
    void SetVisible(int index, bool on) override;

private:
    TtrackPopupForm();
};

class TinstPopupForm : public TFilterPopup {
    Q_OBJECT
public:
    static TinstPopupForm* Instance();
    void Bind(TPatternForm* form, const QStringList& items);
    // The instrument items, refilled with the bound window's instrument lists.
    void Fill(const QStringList& items);

protected:
    void SetVisible(int index, bool on) override;
    void showEvent(QShowEvent* event) override;

private:
    TinstPopupForm();
};
