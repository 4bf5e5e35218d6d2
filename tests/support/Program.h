#pragma once
// The vorn program run as a subprocess, by default in a temporary folder.

#include "support/Common.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// A named namespace: the fixture is shared by several test files.
namespace apptest {

struct Outcome {
    int code = -1; // -1 when the program did not end normally
    QByteArray out, err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

inline const QByteArray PointDef = "BEGIN ELEMENT NAME=\"POINT\"\n LONG NAME=\"X\"\nEND\n";

class AppTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // of every run

    // Writes a file below the temporary folder; answers its relative name.
    QString file(const QString& name, const QByteArray& content)
    {
        support::writeFile(dir.filePath(name), content);
        return name;
    }

    // Runs the program with blank-separated arguments in the temporary folder (or `cwd`).
    Outcome run(const QString& args, const QByteArray& input = {}, const QString& cwd = {})
    {
        QProcess p;
        p.setWorkingDirectory(cwd.isEmpty() ? dir.path() : cwd);
        p.setProcessEnvironment(environment);
        p.start(QStringLiteral(VORN_PROGRAM), args.split(' ', Qt::SkipEmptyParts));
        Outcome r;
        if (!p.waitForStarted())
            return r;
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(-1);
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        if (p.exitStatus() == QProcess::NormalExit)
            r.code = p.exitCode();
        return r;
    }
};

} // namespace apptest

using namespace apptest;
