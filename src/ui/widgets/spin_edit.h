// An integer field with a spinner. It tells a user's edit apart from a value the program sets,
// so an owner can write only what the user changed back to the model.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);
    TSpinEdit(int minimum, int maximum, int value, QWidget* parent = nullptr);

    // A program change: emits ValueChanged but not UserChanged, and clears Modified.
    void SetValue(int value);
    void SetRange(int minimum, int maximum);

    // True after the user typed or stepped a value, until SetValue or ClearModified.
    bool Modified() const { return modified_; }
    void ClearModified() { modified_ = false; }

signals:
    // Every change, whoever made it.
    void ValueChanged(int value);
    // Only changes made by the user.
    void UserChanged(int value);

private:
    void OnValueChanged(int value);

    bool programSet_ = false;
    bool modified_ = false;
};
