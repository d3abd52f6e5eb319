#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>

// One run of the varnotool binary in a folder: its exit status (-1 when it crashed or hung) and
// what it wrote. The event loop keeps turning meanwhile, so a server living in the test process
// still answers it.
struct Run {
    int status = -1;
    QByteArray out, err;
};

inline Run varnotool(const QStringList& args, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(VARNOTOOL), args);
    if (!p.waitForStarted())
        return {};
    QDeadlineTimer limit(60000);
    while (p.state() != QProcess::NotRunning && !limit.hasExpired())
        QTest::qWait(5);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
