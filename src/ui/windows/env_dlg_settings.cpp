// Applying the audio controls to the controller, and keeping every setting across runs.
#include "model/audio.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/font_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <array>

namespace {

// Indexed by the choices' positions in their boxes.
constexpr std::array<int32_t, 4> kOutputModes = {10, 9, 6, 5};
constexpr std::array<int32_t, 4> kFilterModes = {3, 2, 1, 0};

int32_t Pick(const std::array<int32_t, 4>& values, const QComboBox* box) {
    const int index = box->currentIndex();
    return values[size_t(index >= 0 && index < 4 ? index : 0)];
}

QSettings Store() {
    return QSettings("Cantorwright", "Cantorwright");
}

} // namespace

void TEnvDlg::ApplyAudioSettings(TAudio& audio) const {
    const bool running = audio.Active;
    if (running) audio.SuspendOutput();
    audio.SetBufferLength(buffLengthEd->value());
    audio.SetDSoundBufferLength(dsoundBufLengthEd->value());
    audio.UseDirectSound = useDSoundCB->isChecked();
    audio.MixRate = Pick(kMixRates, mixRateBox);
    audio.OutputMode = Pick(kOutputModes, outputQualityBox);
    audio.FilterMode = Pick(kFilterModes, filterBox);
    audio.SetMixingMode(interpolationCB->isChecked() ? 1 : 0);
    if (running) audio.ResumeOutput();
}

void TEnvDlg::ApplyAudioSettings() const {
    ApplyAudioSettings(Audio());
}

void TEnvDlg::SaveSettings() const {
    QSettings settings = Store();
    settings.beginGroup("Settings");
    for (const QWidget* w : findChildren<QWidget*>()) {
        const QString key = w->objectName();
        if (key.isEmpty() || key.startsWith("qt_")) continue;
        if (auto* c = qobject_cast<const TColorButton*>(w))
            settings.setValue(key, c->Color().name());
        else if (auto* f = qobject_cast<const TFontButton*>(w))
            settings.setValue(key, f->Font().toString());
        else if (auto* s = qobject_cast<const TSpinEdit*>(w))
            settings.setValue(key, s->value());
        else if (auto* g = qobject_cast<const TChoiceGroup*>(w))
            settings.setValue(key, g->CurrentIndex());
        else if (auto* b = qobject_cast<const QComboBox*>(w))
            settings.setValue(key, b->currentIndex());
        else if (auto* t = qobject_cast<const QCheckBox*>(w))
            settings.setValue(key, t->isChecked());
    }
    settings.endGroup();
}

void TEnvDlg::LoadSettings() {
    QSettings settings = Store();
    settings.beginGroup("Settings");
    // Values that no longer fit a control (a hand-edited file, an older range) are ignored.
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString key = w->objectName();
        if (key.isEmpty() || key.startsWith("qt_") || !settings.contains(key)) continue;
        const QVariant value = settings.value(key);
        bool ok = false;
        if (auto* c = qobject_cast<TColorButton*>(w)) {
            const QColor color = QColor::fromString(value.toString());
            if (color.isValid()) c->SetColor(color);
        } else if (auto* f = qobject_cast<TFontButton*>(w)) {
            QFont font;
            if (font.fromString(value.toString())) f->SetFont(font);
        } else if (auto* s = qobject_cast<TSpinEdit*>(w)) {
            const int n = value.toInt(&ok);
            if (ok && n >= s->minimum() && n <= s->maximum()) s->SetValue(n);
        } else if (auto* g = qobject_cast<TChoiceGroup*>(w)) {
            const int n = value.toInt(&ok);
            if (ok && n >= 0 && n < g->Count()) g->SetCurrentIndex(n);
        } else if (auto* b = qobject_cast<QComboBox*>(w)) {
            const int n = value.toInt(&ok);
            if (ok && n >= 0 && n < b->count()) b->setCurrentIndex(n);
        } else if (auto* t = qobject_cast<QCheckBox*>(w)) {
            t->setChecked(value.toBool());
        }
    }
    settings.endGroup();
}
