// A main window over the real engine and the default module beside the built program, with the
// settings in a folder of its own, and a listener that records what the bus announced.
#pragma once

#include "project/app_objects.h"
#include "support/test_paths.h"
#include "ui/windows/main_form.h"

#include <QSettings>
#include <QTest>
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
