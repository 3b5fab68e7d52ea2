// The configuration dialog: the live store of display and audio preferences. Windows read its
// controls when EvEnvPropsChange arrives; the values also persist across runs in QSettings.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class TAudio;
class TChoiceGroup;
class TColorButton;
class TFontButton;
class TSpinEdit;

class TEnvDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEnvDlg(QWidget* parent = nullptr);

    // Selects the category and its page; false when no category has that caption.
    bool SelectPage(const QString& caption);
    QString CurrentPage() const;
    // Shows the dialog modally on one page with the category tree hidden.
    int ExecOnPage(const QString& caption);

    // Writes the audio controls to the controller. An inactive controller (no module open)
    // cannot be suspended, so it only stores the values for its next start.
    void ApplyAudioSettings(TAudio& audio) const;
    void ApplyAudioSettings() const;

    // Every named setting control, to and from QSettings ("Cantorwright", group "Settings").
    void LoadSettings();
    void SaveSettings() const;

    // Event Editor
    TColorButton* gridBgCol;
    TColorButton* gridHlRowCol;
    TColorButton* gridHlCellCol;
    TColorButton* gridHlTxtCol;
    TColorButton* gridSelCol;
    TSpinEdit* gridHlStep;
    TFontButton* gridFont;
    TChoiceGroup* gridScrollMode;
    // Piano Roll
    TColorButton* pianoBgCol;
    TSpinEdit* pianoSplitAmt;
    TColorButton* pianoNoteCol;
    TColorButton* pianoGridCol;
    TFontButton* pianoFont;
    QCheckBox* pianoShowEffects;
    // Sample Editor
    TColorButton* smpWaveCol;
    TColorButton* smpCenterCol;
    TColorButton* smpMidCol;
    TColorButton* smpBgCol;
    TColorButton* smpLoopCol;
    TChoiceGroup* smpViewStyleBox;
    QCheckBox* aveCB;
    // Audio Settings
    QComboBox* mixRateBox;
    QComboBox* outputQualityBox;
    QComboBox* filterBox;
    QCheckBox* interpolationCB;
    QCheckBox* useDSoundCB;
    TSpinEdit* buffLengthEd;
    TSpinEdit* dsoundBufLengthEd;
    // Seconds between autosaves of a modified song; 0 is off.
    TSpinEdit* autosaveEd;

    QTreeWidget* categoryTree;
    QLabel* categoryLabel;
    QStackedWidget* pages;
    QPushButton* okBtn;
    QPushButton* cancelBtn;
    QPushButton* applyBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildAudioPage();
    QWidget* BuildDirectoriesPage();
    QWidget* BuildEventEditorPage();
    QWidget* BuildMidiPage();
    QWidget* BuildPianoRollPage();
    QWidget* BuildSampleEditorPage();
    QWidget* BuildShortcutPage();
    void AddPage(const QString& caption, QWidget* page);
    void ShowSelectedPage();
    void okBtnClick();
    void applyBtnClick();
};
