// File › Export Audio as a user drives it: the file equals the command line's render, and a
// cancel in the progress dialog leaves no file.
#include "main_form_fixture.h"
#include "ui/windows/export_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <sndfile.h>

namespace fs = std::filesystem;

namespace {

std::vector<short> Samples(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<short> out(size_t(info.frames * info.channels));
    sf_read_short(f, out.data(), sf_count_t(out.size()));
    sf_close(f);
    return out;
}

class ExportAudioTest : public MainFormTest {
protected:
    // Fills in the options dialog once it shows and starts the export.
    void Export(const fs::path& file, int rate, bool perChannel) {
        WhenShown<TExportAudioDlg>([=](TExportAudioDlg* dialog) {
            dialog->fileEdit->setText(QString::fromStdString(file.string()));
            dialog->rateBox->setCurrentIndex(dialog->rateBox->findData(rate));
            dialog->interpolationCB->setChecked(true);
            dialog->perChannelCB->setChecked(perChannel);
            dialog->accept();
        });
        form->exportAudioAct->trigger();
    }
};

TEST_F(ExportAudioTest, ExportEqualsTheCommandLineRender) {
    ShowWithModule("intro.xm");
    const fs::path dir = TempDir();
    Export(dir / "exported.wav", 22050, false);
    EXPECT_EQ(form->infoPanel1->text(),
              "Exported " + QString::fromStdString((dir / "exported.wav").string()));

    QProcess cli;
    cli.start(QString::fromStdString(CliPath().string()),
              {"--render", QString::fromStdString(CorpusModule("intro.xm").string()), "--output",
               QString::fromStdString((dir / "cli.wav").string()), "--rate", "22050"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const std::vector<short> exported = Samples(dir / "exported.wav");
    EXPECT_GT(exported.size(), size_t(22050 * 2 * 20));
    EXPECT_TRUE(exported == Samples(dir / "cli.wav"));
}

TEST_F(ExportAudioTest, CancelInTheProgressDialogLeavesNothing) {
    ShowWithModule("flow.xm");
    const fs::path dir = TempDir();
    bool progressShown = false;
    WhenShown<QProgressDialog>([&](QProgressDialog* dialog) {
        progressShown = true;
        auto* cancel = dialog->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    });
    Export(dir / "flow.wav", 44100, true);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(form->infoPanel1->text(), "Export cancelled");
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
