// A main window on a song of eight instruments, with the instrument editor at hand.
#pragma once

#include "main_form_fixture.h"
#include "model/instrument.h"
#include "model/song.h"
#include "project/song_edit.h"
#include "support/xm_builder.h"
#include "ui/windows/inst_form.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QUrl>

// Eight instruments of two samples each (the third has three); the sixth's name starts with a
// letter typed as a note below.
inline std::filesystem::path EightInstruments() {
    XMTestSong song;
    for (int i = 0; i < 8; ++i) {
        XMTestInstrument inst;
        inst.name = i == 5 ? "Quiet" : "Inst" + std::to_string(i);
        // Points, switched off.
        inst.volume.points = {{0, 64}, {10, 32}, {20, 0}};
        inst.volume.count = 3;
        for (int s = 0; s < (i == 2 ? 3 : 2); ++s) {
            XMTestSample sample;
            sample.name = inst.name + "-" + std::to_string(s);
            sample.values = {0, 40, 80, 120, -40, -80, -120, 10 * (i + 1)};
            sample.volume = 64;
            inst.samples.push_back(sample);
        }
        song.instruments.push_back(inst);
    }
    const auto file = TempDir() / "eight.xm";
    const std::vector<uint8_t> bytes = BuildXM(song);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

class InstFormTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        form->SetStartFile(QString::fromStdString(EightInstruments().string()));
        Show();
        ASSERT_NE(Song(), nullptr);
        ASSERT_EQ(Song()->InstrumentCount(), 8);
        inst = form->InstForm();
        ASSERT_NE(inst, nullptr);
        form->InstWindow()->resize(1000, 600);
        SongEdit().Clear();
    }

    void SelectRows(QListWidget* list, const std::vector<int>& rows) {
        list->clearSelection();
        for (int r : rows) list->item(r)->setSelected(true);
        if (!rows.empty()) list->setCurrentRow(rows.back(), QItemSelectionModel::Select);
    }
    TSample* SampleOf(int i, int s) const { return Song()->Instruments(i)->Samples(s); }

    // A drag of files over a list: whether the list takes it, and dropping it if asked.
    bool Drag(TNKListView* list, const QStringList& files, bool drop) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& f : files) urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        if (!list->AcceptsDrag(&mime) || !drop) return list->AcceptsDrag(&mime);
        const QPoint at(5, list->viewport()->height() - 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
        return event.isAccepted();
    }

    TInstForm* inst = nullptr;
};
