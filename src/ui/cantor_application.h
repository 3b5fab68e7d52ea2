// The application object: errors thrown by event handlers end here instead of ending the program.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

class TCantorApplication : public QApplication {
    Q_OBJECT
public:
    TCantorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs the delivery; an error it throws is shown in the main window's message line (or on
// stderr without one) and counts as handled.
bool DeliverGuarded(const std::function<bool()>& deliver);
// The error the main window shows, as ShowException formats it.
void ReportError(const std::exception& error);
