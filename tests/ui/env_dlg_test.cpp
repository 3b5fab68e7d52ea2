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
    QStringList categories;
    for (int i = 0; i < dlg.categoryTree->topLevelItemCount(); ++i)
        categories << dlg.categoryTree->topLevelItem(i)->text(0);
    EXPECT_EQ(categories,
              (QStringList{"Audio Settings", "Directories", "Envelope Editor", "Event Editor",
                           "MIDI Options", "Piano Roll", "Sample Editor", "Shortcut Keys"}));
    EXPECT_EQ(dlg.CurrentPage(), "Audio Settings");

    // Windows and the settings file find the controls by these names.
    const std::vector<std::pair<const char*, QColor>> colours = {
        {"gridBgCol", QColor(36, 36, 36)},
        {"gridHlRowCol", QColor(0, 0, 128)},
        {"gridHlCellCol", QColor(0, 128, 128)},
        {"gridHlTxtCol", QColor(255, 255, 255)},
        {"gridSelCol", QColor(0, 128, 0)},
        {"pianoBgCol", dlg.palette().color(QPalette::Button)},
        {"pianoNoteCol", QColor(255, 0, 255)},
        {"pianoGridCol", QColor(128, 128, 128)},
        {"smpWaveCol", QColor(255, 255, 0)},
        {"smpCenterCol", QColor(255, 255, 255)},
        {"smpMidCol", QColor(128, 0, 0)},
        {"smpBgCol", QColor(36, 36, 36)},
        {"smpLoopCol", QColor(0, 128, 0)}};
    for (const auto& [name, colour] : colours) {
        auto* button = dlg.findChild<TColorButton*>(name);
        EXPECT_TRUE(button && button->Color() == colour) << name;
    }
    const std::vector<std::tuple<const char*, int, int, int>> spins = {
        {"gridHlStep", 1, 16, 4},
        {"pianoSplitAmt", 1, 128, 4},
        {"buffLengthEd", 20, 1000, 175},
        {"dsoundBufLengthEd", 20, 1000, 60}};
    for (const auto& [name, low, high, value] : spins) {
        auto* spin = dlg.findChild<TSpinEdit*>(name);
        ASSERT_TRUE(spin) << name;
        EXPECT_EQ(std::tuple(spin->minimum(), spin->maximum(), spin->value()),
                  std::tuple(low, high, value))
            << name;
    }
    const std::vector<std::pair<const char*, QString>> choices = {
        {"mixRateBox", "44khz"},
        {"outputQualityBox", "16 Bit Stereo"},
        {"filterBox", "Auto filtering"}};
    for (const auto& [name, text] : choices) {
        auto* box = dlg.findChild<QComboBox*>(name);
        EXPECT_TRUE(box && box->currentText() == text) << name;
    }
    for (const auto& [name, on] :
         std::vector<std::pair<const char*, bool>>{{"interpolationCB", true},
                                                   {"useDSoundCB", false},
                                                   {"pianoShowEffects", false},
                                                   {"aveCB", false}}) {
        auto* check = dlg.findChild<QCheckBox*>(name);
        EXPECT_TRUE(check && check->isChecked() == on) << name;
    }
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
    dlg.interpolationCB->setChecked(false);
    dlg.useDSoundCB->setChecked(true);
    dlg.buffLengthEd->setValue(300);
    dlg.dsoundBufLengthEd->setValue(90);
    dlg.ApplyAudioSettings();
    // No module open: the controller is inactive and keeps the values for its next start.
    EXPECT_FALSE(audio.Active);
    EXPECT_EQ(audio.MixingMode, 0);
    EXPECT_TRUE(audio.UseDirectSound);
    EXPECT_EQ(audio.BufferLength, 300);
    EXPECT_EQ(audio.DSoundBufferLength, 90);

    const std::vector<std::tuple<QComboBox*, QString, int32_t*, int>> table = {
        {dlg.mixRateBox, "44khz", &audio.MixRate, 44100},
        {dlg.mixRateBox, "32khz", &audio.MixRate, 32075},
        {dlg.mixRateBox, "22khz", &audio.MixRate, 22050},
        {dlg.mixRateBox, "11khz", &audio.MixRate, 11025},
        {dlg.outputQualityBox, "16 Bit Stereo", &audio.OutputMode, 10},
        {dlg.outputQualityBox, "16 Bit Mono", &audio.OutputMode, 9},
        {dlg.outputQualityBox, "8 Bit Stereo", &audio.OutputMode, 6},
        {dlg.outputQualityBox, "8 Bit Mono", &audio.OutputMode, 5},
        {dlg.filterBox, "Auto filtering", &audio.FilterMode, 3},
        {dlg.filterBox, "More filtering", &audio.FilterMode, 2},
        {dlg.filterBox, "Some filtering", &audio.FilterMode, 1},
        {dlg.filterBox, "No filtering", &audio.FilterMode, 0}};
    for (const auto& [box, text, field, value] : table) {
        box->setCurrentText(text);
        ASSERT_EQ(box->currentText(), text);
        dlg.ApplyAudioSettings(audio);
        EXPECT_EQ(*field, value) << text.toStdString();
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
