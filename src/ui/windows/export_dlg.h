// "Export Audio": the song once through, as the command line's render makes it, to WAV or FLAC.
#pragma once

#include "engine/records.h"
#include "model/audio_export.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressDialog;

class TExportAudioDlg : public QDialog {
    Q_OBJECT
public:
    // `suggestedName` is the file the dialog starts with; rate and interpolation start as the
    // sound configuration has them.
    TExportAudioDlg(const QString& suggestedName, QWidget* parent = nullptr);

    TAudioExportOptions Options() const;

    QLineEdit* fileEdit;
    QComboBox* formatBox; // "WAV", "FLAC"
    QComboBox* bitsBox;   // "16-bit", "24-bit"
    QComboBox* rateBox;
    QCheckBox* interpolationCB;
    QCheckBox* perChannelCB;

private:
    void Browse();
    void FormatChanged();
};

enum class TExportResult { Done, Cancelled, Failed };

// Runs the export on a worker thread behind a progress dialog the user can cancel; the event
// loop keeps running meanwhile. On failure `error` holds the message.
TExportResult RunAudioExport(QWidget* parent, ModuleRecord* module,
                             const TAudioExportOptions& options, QString& error);
