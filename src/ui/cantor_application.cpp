#include "ui/cantor_application.h"

#include "ui/windows/main_form.h"

#include <cstdio>

TCantorApplication::TCantorApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Cantorwright");
    setOrganizationName("Cantorwright");
}

bool TCantorApplication::notify(QObject* receiver, QEvent* event) {
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

void ReportError(const std::exception& error) {
    if (TMainForm* form = MainForm())
        form->ShowException(error);
    else
        std::fprintf(stderr, "%s\n", error.what());
}

bool DeliverGuarded(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (const std::exception& error) {
        ReportError(error);
        return true;
    }
}
