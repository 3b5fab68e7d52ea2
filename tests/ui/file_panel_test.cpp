#include "main_form_fixture.h"
#include "ui/widgets/file_panel.h"
#include "ui/widgets/recent_files.h"

#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <fstream>

namespace {

std::filesystem::path CopyModule(const std::filesystem::path& folder, const std::string& name) {
    const auto target = folder / name;
    std::filesystem::copy_file(CorpusModule("walk.xm"), target);
    return target;
}

class FilePanelTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Show();
    }
    QString Path(const std::filesystem::path& file) {
        return QString::fromStdString(file.string());
    }
};

} // namespace

TEST_F(FilePanelTest, FiltersListTheMatchingFilesOfTheSelectedFolder) {
    const auto folder = TempDir();
    for (const char* name : {"x.smp", "a.wav", "b.xi", "c.xm", "d.mod", "e.txt"})
        std::ofstream(folder / name) << "data";
    TFilePanel* panel = form->FilePanel();
    panel->SelectFolder(Path(folder));
    EXPECT_EQ(panel->SelectedFolder(), Path(folder) + "/");
    // The folder is read in the background: wait for the list to settle on what it should be.
    const auto listed = [&](int filter, const QStringList& expected) {
        panel->SetFilterIndex(filter);
        (void)QTest::qWaitFor([&] { return panel->ListedFiles() == expected; }, 5000);
        return panel->ListedFiles();
    };
    const QStringList samples{"a.wav", "x.smp"}, instruments{"b.xi"}, modules{"c.xm", "d.mod"};
    const QStringList all{"a.wav", "b.xi", "c.xm", "d.mod", "e.txt", "x.smp"};
    EXPECT_EQ(listed(TFilePanel::Samples, samples), samples);
    EXPECT_EQ(listed(TFilePanel::Instruments, instruments), instruments);
    EXPECT_EQ(listed(TFilePanel::Modules, modules), modules);
    EXPECT_EQ(listed(TFilePanel::AllFiles, all), all);
}

TEST_F(FilePanelTest, OpeningFromThePanelKeepsOneRecentEntryPerFileMostRecentFirst) {
    const auto folder = TempDir();
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 7; ++i)
        files.push_back(CopyModule(folder, "m" + std::to_string(i) + ".xm"));
    form->OpenFromPanel(Path(files[0]));
    form->OpenFromPanel(Path(files[1]));
    form->OpenFromPanel(Path(files[0]));
    EXPECT_EQ(form->RecentFiles()->Files(), QStringList({Path(files[0]), Path(files[1])}));
    ASSERT_EQ(form->RecentFiles()->Entries().size(), 2);
    EXPECT_EQ(form->RecentFiles()->Entries()[0]->text(), "&1 " + Path(files[0]));
    EXPECT_EQ(form->RecentFiles()->Entries()[1]->text(), "&2 " + Path(files[1]));
    for (int i = 2; i < 7; ++i) form->OpenFromPanel(Path(files[i]));
    ASSERT_EQ(form->RecentFiles()->Files().size(), 5);
    EXPECT_EQ(form->RecentFiles()->Files().front(), Path(files[6]));
    EXPECT_EQ(form->RecentFiles()->Files().back(), Path(files[2]));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - m6.xm");
    // A recent entry opens its file and leaves the list as it is.
    form->RecentFiles()->Entries()[4]->trigger();
    EXPECT_EQ(form->windowTitle(), "Cantorwright - m2.xm");
    EXPECT_EQ(form->RecentFiles()->Files().front(), Path(files[6]));
}

TEST_F(FilePanelTest, ADoubleClickOpensOnlyUnderTheModulesFilter) {
    const auto file = CopyModule(TempDir(), "tune.xm");
    form->FilePanel()->SetFilterIndex(TFilePanel::AllFiles);
    form->FilePanel()->OpenEntry(Path(file));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - Untitled");
    form->FilePanel()->SetFilterIndex(TFilePanel::Modules);
    form->FilePanel()->OpenEntry(Path(file));
    EXPECT_EQ(form->windowTitle(), "Cantorwright - tune.xm");
}

TEST_F(FilePanelTest, SettingsAreSavedOnlyWithThePanelVisibleAndTheModulesFilter) {
    const auto folder = TempDir();
    const auto file = CopyModule(folder, "kept.xm");
    form->OpenFromPanel(Path(file));
    form->FilePanel()->SelectFolder(Path(folder));
    const auto stored = [] {
        QSettings settings("Cantorwright", "Cantorwright");
        return std::make_pair(settings.value("ModuleDir").toString(),
                              settings.value("FileHistory/File1").toString());
    };
    form->SaveModuleDir(); // panel hidden
    EXPECT_EQ(stored(), std::make_pair(QString(), QString()));
    form->openAct->trigger();
    ASSERT_TRUE(form->FilePanel()->isVisible());
    form->FilePanel()->SelectFolder(Path(folder));
    form->FilePanel()->SetFilterIndex(TFilePanel::Samples);
    form->SaveModuleDir();
    EXPECT_EQ(stored(), std::make_pair(QString(), QString()));
    form->FilePanel()->SetFilterIndex(TFilePanel::Modules);
    form->SaveModuleDir();
    EXPECT_EQ(stored(), std::make_pair(Path(folder) + "/", Path(file)));
}

TEST_F(FilePanelTest, TheNextStartLoadsTheListSkippingMissingFilesAndTheFolder) {
    const auto folder = TempDir();
    const auto older = CopyModule(folder, "older.xm");
    const auto newer = CopyModule(folder, "newer.xm");
    {
        QSettings settings("Cantorwright", "Cantorwright");
        settings.setValue("ModuleDir", Path(folder) + "/");
        settings.setValue("FileHistory/File1", Path(newer));
        settings.setValue("FileHistory/File2", Path(folder / "gone.xm"));
        settings.setValue("FileHistory/File3", Path(older));
    }
    form.reset();
    form = std::make_unique<TMainForm>(QString::fromStdString(CliPath().parent_path().string()));
    EXPECT_EQ(form->RecentFiles()->Files(), QStringList({Path(newer), Path(older)}));
    form->openAct->trigger();
    EXPECT_EQ(form->FilePanel()->SelectedFolder(), Path(folder) + "/");
}

TEST_F(FilePanelTest, DroppingFilesOpensOnlyTheFirst) {
    const auto folder = TempDir();
    const auto first = CopyModule(folder, "first.xm");
    const auto second = CopyModule(folder, "second.xm");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path(first)), QUrl::fromLocalFile(Path(second)),
                  QUrl::fromLocalFile(Path(folder / "third.xm"))});
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    recorder->names.clear();
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    QCoreApplication::sendEvent(form.get(), &drop);
    EXPECT_EQ(form->windowTitle(), "Cantorwright - first.xm");
    EXPECT_EQ(recorder->Count(typeid(EvLoadModule)), 1);
}
