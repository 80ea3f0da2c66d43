#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// What one run of torvane-cli (or `program`) printed, and how it ended; -1 when it did not
// end by itself within two minutes.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// `childSetup` runs in the child before the program starts; `folder`, when given, is where.
inline Run runCli(
    const QStringList &arguments, const std::function<void()> &childSetup = [] {},
    const QString &program = QStringLiteral(TORVANE_CLI_PATH), const QString &folder = {})
{
    QProcess process;
    process.setChildProcessModifier(childSetup);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline Run runCliIn(const QString &folder, const QStringList &arguments)
{
    return runCli(
        arguments, [] {}, QStringLiteral(TORVANE_CLI_PATH), folder);
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
