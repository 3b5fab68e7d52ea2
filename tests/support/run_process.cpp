#include "support/run_process.h"

#include "support/test_paths.h"

#include <QProcess>
#include <QStringList>

ProcessResult RunCli(const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess process;
    process.start(QString::fromStdString(CliPath().string()), list);
    ProcessResult result;
    if (!process.waitForFinished(120000)) return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}
