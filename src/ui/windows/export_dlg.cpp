#include "ui/windows/export_dlg.h"

#include "model/audio.h"
#include "model/errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <array>
#include <thread>

TExportAudioDlg::TExportAudioDlg(const QString& suggestedName, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Export Audio");
    QSettings settings;
    settings.beginGroup("ExportAudio");
    fileEdit = new QLineEdit(suggestedName);
    auto* browse = new QPushButton("&Browse...");
    connect(browse, &QPushButton::clicked, this, &TExportAudioDlg::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileEdit, 1);
    fileRow->addWidget(browse);
    formatBox = new QComboBox;
    formatBox->addItems({"WAV", "FLAC"});
    formatBox->setCurrentIndex(suggestedName.endsWith(".flac", Qt::CaseInsensitive) ? 1 : 0);
    connect(formatBox, &QComboBox::currentIndexChanged, this, &TExportAudioDlg::FormatChanged);
    bitsBox = new QComboBox;
    bitsBox->addItems({"16-bit", "24-bit"});
    bitsBox->setCurrentIndex(settings.value("Bits", 16).toInt() == 24 ? 1 : 0);
    rateBox = new QComboBox;
    for (int rate : kMixRates) rateBox->addItem(QString("%1 Hz").arg(rate), rate);
    const int rateIndex = rateBox->findData(Audio().MixRate);
    rateBox->setCurrentIndex(rateIndex >= 0 ? rateIndex : 0);
    interpolationCB = new QCheckBox("&Interpolation");
    interpolationCB->setChecked(Audio().MixingMode != 0);
    perChannelCB = new QCheckBox("One file per &channel");
    perChannelCB->setChecked(settings.value("PerChannel", false).toBool());

    auto* form = new QFormLayout(this);
    form->addRow("&File:", fileRow);
    form->addRow("F&ormat:", formatBox);
    form->addRow("&Samples:", bitsBox);
    form->addRow("&Rate:", rateBox);
    form->addRow(interpolationCB);
    form->addRow(perChannelCB);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("&Export");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        QSettings s;
        s.beginGroup("ExportAudio");
        s.setValue("Bits", bitsBox->currentIndex() == 1 ? 24 : 16);
        s.setValue("PerChannel", perChannelCB->isChecked());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

TAudioExportOptions TExportAudioDlg::Options() const {
    TAudioExportOptions options;
    options.fileName = fileEdit->text().toStdString();
    options.rate = rateBox->currentData().toInt();
    options.interpolate = interpolationCB->isChecked();
    options.bits = bitsBox->currentIndex() == 1 ? 24 : 16;
    options.perChannel = perChannelCB->isChecked();
    return options;
}

void TExportAudioDlg::Browse() {
    const QString filter = formatBox->currentIndex() == 1 ? "FLAC (*.flac)" : "WAV (*.wav)";
    const QString name =
        QFileDialog::getSaveFileName(this, "Export Audio", fileEdit->text(), filter);
    if (!name.isEmpty()) fileEdit->setText(name);
}

// The file name follows the format, so the two never disagree.
void TExportAudioDlg::FormatChanged() {
    const QString ext = formatBox->currentIndex() == 1 ? "flac" : "wav";
    QString name = fileEdit->text();
    const QFileInfo info(name);
    if (name.isEmpty()) return;
    const QString suffix = info.suffix();
    if (!suffix.isEmpty()) name.chop(suffix.size() + 1);
    fileEdit->setText(name + "." + ext);
}

TExportResult RunAudioExport(QWidget* parent, ModuleRecord* module,
                             const TAudioExportOptions& options, QString& error) {
    TAudioExportProgress progress;
    bool finished = false, completed = false;
    std::string failure;
    QProgressDialog dialog("Exporting audio...", "Cancel", 0, 1000, parent);
    dialog.setObjectName("exportProgress");
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    QEventLoop loop;
    std::thread worker([&] {
        try {
            completed = ExportSongAudio(module, options, progress);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                finished = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (dialog.wasCanceled()) progress.cancel.store(true, std::memory_order_relaxed);
        dialog.setValue(int(progress.fraction.load(std::memory_order_relaxed) * 1000));
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                     [&] { progress.cancel.store(true, std::memory_order_relaxed); });
    poll.start(50);
    if (!finished) loop.exec();
    worker.join();
    poll.stop();
    if (!failure.empty()) {
        error = QString::fromStdString(failure);
        return TExportResult::Failed;
    }
    return completed ? TExportResult::Done : TExportResult::Cancelled;
}
