// The editor, started by `cantorwright` without a headless flag; run directly it behaves alike.
#include "app/command_line.h"
#include "app/editor_launch.h"
#include "project/app_objects.h"
#include "ui/cantor_application.h"
#include "ui/windows/main_form.h"

#include <QElapsedTimer>
#include <string>

int main(int argc, char** argv) {
    QElapsedTimer startup;
    startup.start();
    const long long handOverNs = TakeLaunchDelayNs();
    const int code = RunCommandLine(argc, argv);
    if (code != kRunEditor) return code;

    // The bus, the project and the audio controller exist before any window and outlive them.
    TAppObjects objects;
    TCantorApplication app(argc, argv);

    TMainForm form(QCoreApplication::applicationDirPath());
    const bool verbose = argc >= 2 && std::string(argv[1]) == "--verbose";
    const int fileArgument = verbose ? 2 : 1;
    if (argc > fileArgument) form.SetStartFile(QString::fromLocal8Bit(argv[fileArgument]));
    form.resize(1100, 720);
    if (verbose) form.SetStartupClock(startup, handOverNs > 0 ? handOverNs / 1000000 : 0);
    form.show();
    const int result = app.exec();
    form.SaveModuleDir();
    return result;
}
