// A main window over the real engine and the default module beside the built program, with the
// settings in a folder of its own, and a listener that records what the bus announced.
#pragma once

#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/windows/main_form.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

class TEventRecorder : public TZEventListener {
public:
    void HandleEvent(TZEvent& event, int32_t) override { names.push_back(typeid(event).name()); }
    int Count(const std::type_info& type) const {
        int n = 0;
        for (const auto& name : names) n += name == type.name();
        return n;
    }
    std::vector<std::string> names;
};

inline std::filesystem::path CorruptModule() {
    const auto file = TempDir() / "broken.xm";
    std::ofstream(file, std::ios::binary) << "Extended Module: this is not one";
    return file;
}

inline bool WaitFor(const std::function<bool()>& condition, int ms = 3000) {
    return QTest::qWaitFor(condition, ms);
}

// Answers the next modal dialog of type D once it shows, from inside its event loop.
template <class D> inline void WhenShown(std::function<void(D*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start();
}

// Types a name into a file dialog and accepts it at once: the dialog may still be applying the
// name it proposed, which would overwrite a selection made through selectFile.
inline void ChooseFile(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (edit)
        edit->setText(name);
    else
        dialog->selectFile(name);
    QMetaObject::invokeMethod(dialog, "accept");
}

inline std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::filesystem::path CorpusModule(const std::string& name) {
    for (const auto& file : CorpusFiles({".xm", ".mod", ".s3m", ".it"}))
        if (file.filename() == name) return file;
    ADD_FAILURE() << name << " is not in the corpus";
    return {};
}

class MainFormTest : public testing::Test {
protected:
    void SetUp() override {
        settingsDir = TempDir();
        // Autosave copies go to a data folder of the test's own.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((settingsDir / "data").string()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settingsDir.string()));
        objects = std::make_unique<TAppObjects>();
        form =
            std::make_unique<TMainForm>(QString::fromStdString(CliPath().parent_path().string()));
        recorder = static_cast<TEventRecorder*>(
            EventManager().Register(std::make_unique<TEventRecorder>()));
    }

    void TearDown() override {
        form.reset();
        objects.reset();
    }

    // Shows the window, which opens the start module (the default one unless set).
    void Show() {
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Shows the window started on a module of the corpus.
    void ShowWithModule(const std::string& name) {
        form->SetStartFile(QString::fromStdString(CorpusModule(name).string()));
        Show();
        ASSERT_NE(Song(), nullptr);
    }

    TSong* Song() const { return Project().Song(); }

    std::filesystem::path settingsDir;
    std::unique_ptr<TAppObjects> objects;
    std::unique_ptr<TMainForm> form;
    TEventRecorder* recorder = nullptr;
};
