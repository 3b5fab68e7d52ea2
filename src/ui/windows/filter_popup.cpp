#include "ui/windows/filter_popup.h"

#include "model/errors.h"
#include "ui/widgets/check_list.h"
#include "ui/widgets/piano_roll.h"
#include "ui/windows/pattern_form.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

TFilterPopup::TFilterPopup(const QString& title, const QString& listName)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(title);
    list_ = new TCheckList(this);
    list_->setObjectName(listName);
    allBtn = new QPushButton("All", this);
    allBtn->setToolTip("see all tracks");
    noneBtn = new QPushButton("None", this);
    noneBtn->setToolTip("hide all tracks");
    buttons_ = new QHBoxLayout;
    auto* buttons = buttons_;
    buttons->addWidget(allBtn);
    buttons->addWidget(noneBtn);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(160, 300);
    connect(list_, &TCheckList::OnCheck, this, [this](int index) { SetVisible(index, true); });
    connect(list_, &TCheckList::OnUncheck, this, [this](int index) { SetVisible(index, false); });
    connect(allBtn, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < list_->count(); ++i) list_->SetChecked(i, true);
    });
    connect(noneBtn, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < list_->count(); ++i) list_->SetChecked(i, false);
    });
}

void TFilterPopup::PopUpAt(QPoint topLeft) {
    QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - width())));
        topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - height())));
    }
    move(topLeft);
    show();
    raise();
    activateWindow();
}

bool TFilterPopup::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) hide();
    return QWidget::event(event);
}

// --- Tracks ------------------------------------------------------------------------------

TtrackPopupForm::TtrackPopupForm() : TFilterPopup("Select Tracks", "trackBox") {
    for (int t = 0; t < 32; ++t) list_->addItem(QString("track %1").arg(t));
}

TtrackPopupForm* TtrackPopupForm::Instance() {
    // Lives as long as the program; the static keeps it reachable.
    static TtrackPopupForm* instance = new TtrackPopupForm;
    return instance;
}

void TtrackPopupForm::Bind(TPatternForm* form) {
    CW_ASSERT_MSG(form, "trackPopupFm");
    if (form == bound_) return;
    // Loading the marks must not write them back to the newly bound roll.
    bound_ = nullptr;
    for (int t = 0; t < list_->count(); ++t)
        list_->SetChecked(t, form->Roll()->Model().IsTrackVisible(t));
    bound_ = form;
}

void TtrackPopupForm::SetVisible(int index, bool on) {
    if (bound_) bound_->Roll()->SetTrackVisible(index, on);
}

// --- Instruments -------------------------------------------------------------------------

TinstPopupForm::TinstPopupForm() : TFilterPopup("Select Instruments", "instCheckList") {
    // An audition strip kept for layout; it has no action yet.
    auto* note = new QLineEdit("C5", this);
    note->setReadOnly(true);
    note->setMaximumWidth(40);
    buttons_->addWidget(new QPushButton("Play", this));
    buttons_->addWidget(note);
    buttons_->addWidget(new QSpinBox(this));
}

TinstPopupForm* TinstPopupForm::Instance() {
    static TinstPopupForm* instance = new TinstPopupForm;
    return instance;
}

void TinstPopupForm::Bind(TPatternForm* form, const QStringList& items) {
    bound_ = form;
    Fill(items);
}

void TinstPopupForm::Fill(const QStringList& items) {
    TPatternForm* form = bound_;
    bound_ = nullptr;
    list_->clear();
    list_->addItems(items);
    if (form)
        for (int i = 0; i < list_->count(); ++i)
            list_->SetChecked(i, form->Roll()->Model().IsInstrumentVisible(i));
    bound_ = form;
}

void TinstPopupForm::SetVisible(int index, bool on) {
    if (bound_) bound_->Roll()->SetInstrumentVisible(index, on);
}

void TinstPopupForm::showEvent(QShowEvent* event) {
    TPatternForm* form = bound_;
    bound_ = nullptr;
    if (form)
        for (int i = 0; i < list_->count(); ++i)
            list_->SetChecked(i, form->Roll()->Model().IsInstrumentVisible(i));
    bound_ = form;
    QWidget::showEvent(event);
}
