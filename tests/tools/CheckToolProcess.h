#pragma once
// zentrilo-check started as its own process with an environment of the test's choosing.

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct TToolRun {
    int status = -1; // the exit code; -1 when the tool did not end normally in time
    QByteArray out;
    QByteArray err;
};

// The build puts the tool at tools/zentrilo-check/ beside tests/.
inline QString CheckToolPath() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../tools/zentrilo-check/zentrilo-check");
}

// Runs the tool with `arguments` in the test's environment with `changes` (name, value) applied;
// through `launcher` (a program and its arguments, such as one that drops privileges) if given.
inline TToolRun RunCheckTool(const QStringList& arguments,
                             const QList<std::pair<QString, QString>>& changes,
                             const QStringList& launcher = {}) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : changes)
        environment.insert(name, value);
    tool.setProcessEnvironment(environment);
    if (launcher.isEmpty())
        tool.start(CheckToolPath(), arguments);
    else
        tool.start(launcher.front(), launcher.mid(1) + QStringList{CheckToolPath()} + arguments);
    TToolRun run;
    if (!tool.waitForFinished(10000))
        return run;
    run.status = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = tool.readAllStandardOutput();
    run.err = tool.readAllStandardError();
    return run;
}
