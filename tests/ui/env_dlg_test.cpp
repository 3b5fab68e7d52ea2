#include "event_counter.h"
#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/widgets/choice_group.h"
#include "ui/widgets/color_button.h"
#include "ui/widgets/font_button.h"
#include "ui/widgets/spin_edit.h"
#include "ui/windows/env_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class EnvDlgTest : public testing::Test {
protected:
    void SetUp() override {
        // A fresh settings folder per test, never the user's.
        const QString dir = QString::fromStdString(TempDir().string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    }
    TAppObjects objects;
};

} // namespace

TEST_F(EnvDlgTest, OkAndApplyAnnounceTheChangeCancelDoesNot) {
    TEnvDlg dlg;
    EventCounter<EvEnvPropsChange> changes;
    dlg.show();
    dlg.gridBgCol->SetColor(Qt::red);
    QTest::mouseClick(dlg.cancelBtn, Qt::LeftButton);
    EXPECT_EQ(changes.Count(), 0);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    // The control keeps the cancelled colour, so the next OK applies it.
    EXPECT_EQ(dlg.gridBgCol->Color(), QColor(Qt::red));

    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(changes.Count(), 0);
    EXPECT_FALSE(dlg.isVisible());

    dlg.show();
    QTest::mouseClick(dlg.okBtn, Qt::LeftButton);
    EXPECT_EQ(changes.Count(), 1);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    dlg.show();
    QTest::mouseClick(dlg.applyBtn, Qt::LeftButton);
    EXPECT_EQ(changes.Count(), 2);
    EXPECT_FALSE(dlg.isVisible()); // Apply ends the dialog too, with the cancel result
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(EnvDlgTest, ReturnPressesTheDefaultOk) {
    TEnvDlg dlg;
    EventCounter<EvEnvPropsChange> changes;
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_EQ(changes.Count(), 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(EnvDlgTest, StartsWithTheDefaultsUnderTheirControlNames) {
    TEnvDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Configure Cantorwright");
    EXPECT_EQ(dlg.categoryLabel->text(), "Select a Category:");
    QStringList categories;
    for (int i = 0; i < dlg.categoryTree->topLevelItemCount(); ++i)
        categories << dlg.categoryTree->topLevelItem(i)->text(0);
    EXPECT_EQ(categories,
              (QStringList{"Audio Settings", "Directories", "Envelope Editor", "Event Editor",
                           "MIDI Options", "Piano Roll", "Sample Editor", "Shortcut Keys"}));
    EXPECT_EQ(dlg.CurrentPage(), "Audio Settings");

    auto colour = [&](const char* name) {
        auto* button = dlg.findChild<TColorButton*>(name);
        return button ? button->Color() : QColor();
    };
    EXPECT_EQ(colour("gridBgCol"), QColor(36, 36, 36));
    EXPECT_EQ(colour("gridHlRowCol"), QColor(0, 0, 128));
    EXPECT_EQ(colour("gridHlCellCol"), QColor(0, 128, 128));
    EXPECT_EQ(colour("gridHlTxtCol"), QColor(255, 255, 255));
    EXPECT_EQ(colour("gridSelCol"), QColor(0, 128, 0));
    EXPECT_EQ(colour("pianoBgCol"), dlg.palette().color(QPalette::Button));
    EXPECT_EQ(colour("pianoNoteCol"), QColor(255, 0, 255));
    EXPECT_EQ(colour("pianoGridCol"), QColor(128, 128, 128));
    EXPECT_EQ(colour("smpWaveCol"), QColor(255, 255, 0));
    EXPECT_EQ(colour("smpCenterCol"), QColor(255, 255, 255));
    EXPECT_EQ(colour("smpMidCol"), QColor(128, 0, 0));
    EXPECT_EQ(colour("smpBgCol"), QColor(36, 36, 36));
    EXPECT_EQ(colour("smpLoopCol"), QColor(0, 128, 0));

    auto spin = [&](const char* name) { return dlg.findChild<TSpinEdit*>(name); };
    ASSERT_TRUE(spin("gridHlStep") && spin("pianoSplitAmt") && spin("buffLengthEd") &&
                spin("dsoundBufLengthEd"));
    EXPECT_EQ(std::tuple(spin("gridHlStep")->minimum(), spin("gridHlStep")->maximum(),
                         spin("gridHlStep")->value()),
              std::tuple(1, 16, 4));
    EXPECT_EQ(std::tuple(spin("pianoSplitAmt")->minimum(), spin("pianoSplitAmt")->maximum(),
                         spin("pianoSplitAmt")->value()),
              std::tuple(1, 128, 4));
    EXPECT_EQ(std::tuple(spin("buffLengthEd")->minimum(), spin("buffLengthEd")->maximum(),
                         spin("buffLengthEd")->value()),
              std::tuple(20, 1000, 175));
    EXPECT_EQ(spin("dsoundBufLengthEd")->value(), 60);

    auto box = [&](const char* name) {
        auto* combo = dlg.findChild<QComboBox*>(name);
        return combo ? combo->currentText() : QString();
    };
    EXPECT_EQ(box("mixRateBox"), "44khz");
    EXPECT_EQ(box("outputQualityBox"), "16 Bit Stereo");
    EXPECT_EQ(box("filterBox"), "Auto filtering");
    auto ticked = [&](const char* name) {
        auto* check = dlg.findChild<QCheckBox*>(name);
        return check ? std::optional(check->isChecked()) : std::nullopt;
    };
    EXPECT_EQ(ticked("interpolationCB"), true);
    EXPECT_EQ(ticked("useDSoundCB"), false);
    EXPECT_EQ(ticked("pianoShowEffects"), false);
    EXPECT_EQ(ticked("aveCB"), false);
    auto* scroll = dlg.findChild<TChoiceGroup*>("gridScrollMode");
    auto* view = dlg.findChild<TChoiceGroup*>("smpViewStyleBox");
    ASSERT_TRUE(scroll && view);
    EXPECT_EQ(scroll->ItemText(scroll->CurrentIndex()), "Normal");
    EXPECT_EQ(view->ItemText(view->CurrentIndex()), "Empty Waveform");
    EXPECT_EQ(dlg.findChild<TFontButton*>("gridFont")->Font().family(), "Small Fonts");
    EXPECT_EQ(dlg.findChild<TFontButton*>("pianoFont")->text(), "Arial");
}

TEST_F(EnvDlgTest, TreeEntriesSelectTheirPagesAndOnePageOpensWithoutTheTree) {
    TEnvDlg dlg;
    dlg.show();
    dlg.categoryTree->setCurrentItem(dlg.categoryTree->topLevelItem(5));
    EXPECT_EQ(dlg.CurrentPage(), "Piano Roll");
    EXPECT_TRUE(dlg.pages->currentWidget()->isAncestorOf(dlg.pianoSplitAmt));
    dlg.hide();

    bool treeHidden = false;
    QString page;
    QTimer::singleShot(0, &dlg, [&] {
        treeHidden = dlg.categoryTree->isHidden();
        page = dlg.CurrentPage();
        dlg.cancelBtn->click();
    });
    dlg.ExecOnPage("Sample Editor");
    EXPECT_TRUE(treeHidden);
    EXPECT_EQ(page, "Sample Editor");
    EXPECT_TRUE(dlg.pages->currentWidget()->isAncestorOf(dlg.smpWaveCol));
    EXPECT_FALSE(dlg.categoryTree->isHidden());
}

TEST_F(EnvDlgTest, AudioChoicesMapToTheControllerCodes) {
    TEnvDlg dlg;
    TAudio& audio = Audio();
    dlg.mixRateBox->setCurrentText("32khz");
    dlg.outputQualityBox->setCurrentText("8 Bit Mono");
    dlg.filterBox->setCurrentText("Some filtering");
    dlg.interpolationCB->setChecked(false);
    dlg.useDSoundCB->setChecked(true);
    dlg.buffLengthEd->setValue(300);
    dlg.dsoundBufLengthEd->setValue(90);
    dlg.ApplyAudioSettings();
    // No module open: the controller is inactive and keeps the values for its next start.
    EXPECT_FALSE(audio.Active);
    EXPECT_EQ(audio.MixRate, 32075);
    EXPECT_EQ(audio.OutputMode, 5);
    EXPECT_EQ(audio.FilterMode, 1);
    EXPECT_EQ(audio.MixingMode, 0);
    EXPECT_TRUE(audio.UseDirectSound);
    EXPECT_EQ(audio.BufferLength, 300);
    EXPECT_EQ(audio.DSoundBufferLength, 90);

    const std::vector<std::pair<QString, int>> rates = {
        {"44khz", 44100}, {"32khz", 32075}, {"22khz", 22050}, {"11khz", 11025}};
    for (const auto& [text, rate] : rates) {
        dlg.mixRateBox->setCurrentText(text);
        dlg.ApplyAudioSettings(audio);
        EXPECT_EQ(audio.MixRate, rate) << text.toStdString();
    }
    const std::vector<std::pair<QString, int>> modes = {
        {"16 Bit Stereo", 10}, {"16 Bit Mono", 9}, {"8 Bit Stereo", 6}, {"8 Bit Mono", 5}};
    for (const auto& [text, mode] : modes) {
        dlg.outputQualityBox->setCurrentText(text);
        dlg.ApplyAudioSettings(audio);
        EXPECT_EQ(audio.OutputMode, mode) << text.toStdString();
    }
    const std::vector<std::pair<QString, int>> filters = {
        {"Auto filtering", 3}, {"More filtering", 2}, {"Some filtering", 1}, {"No filtering", 0}};
    for (const auto& [text, filter] : filters) {
        dlg.filterBox->setCurrentText(text);
        dlg.ApplyAudioSettings(audio);
        EXPECT_EQ(audio.FilterMode, filter) << text.toStdString();
    }
    dlg.interpolationCB->setChecked(true);
    dlg.ApplyAudioSettings(audio);
    EXPECT_EQ(audio.MixingMode, 1);
}

TEST_F(EnvDlgTest, SettingsSurviveOkButNotCancel) {
    QFont font("Courier");
    font.setPointSize(13);
    {
        TEnvDlg dlg;
        dlg.show();
        dlg.gridSelCol->SetColor(QColor(1, 2, 3));
        dlg.gridHlStep->setValue(8);
        dlg.gridFont->SetFont(font);
        dlg.gridScrollMode->SetCurrentIndex(1);
        dlg.mixRateBox->setCurrentText("22khz");
        dlg.interpolationCB->setChecked(false);
        dlg.aveCB->setChecked(true);
        QTest::mouseClick(dlg.okBtn, Qt::LeftButton);

        dlg.show();
        dlg.smpWaveCol->SetColor(QColor(9, 9, 9));
        QTest::mouseClick(dlg.cancelBtn, Qt::LeftButton);
    }
    TEnvDlg next;
    EXPECT_EQ(next.gridSelCol->Color(), QColor(1, 2, 3));
    EXPECT_EQ(next.gridHlStep->value(), 8);
    EXPECT_EQ(next.gridFont->Font(), font);
    EXPECT_EQ(next.gridFont->text(), "Courier");
    EXPECT_EQ(next.gridScrollMode->CurrentIndex(), 1);
    EXPECT_EQ(next.mixRateBox->currentText(), "22khz");
    EXPECT_FALSE(next.interpolationCB->isChecked());
    EXPECT_TRUE(next.aveCB->isChecked());
    EXPECT_EQ(next.smpWaveCol->Color(), QColor(255, 255, 0)); // cancelled, so not stored
    EXPECT_EQ(next.CurrentPage(), "Audio Settings");
}

TEST_F(EnvDlgTest, StoredValuesOutsideAControlsRangeAreIgnored) {
    {
        QSettings settings("Cantorwright", "Cantorwright");
        settings.beginGroup("Settings");
        settings.setValue("gridHlStep", 99);
        settings.setValue("mixRateBox", 7);
        settings.setValue("gridBgCol", "not a colour");
        settings.setValue("pianoSplitAmt", 128);
    }
    TEnvDlg dlg;
    EXPECT_EQ(dlg.gridHlStep->value(), 4);
    EXPECT_EQ(dlg.mixRateBox->currentText(), "44khz");
    EXPECT_EQ(dlg.gridBgCol->Color(), QColor(36, 36, 36));
    EXPECT_EQ(dlg.pianoSplitAmt->value(), 128);
}
