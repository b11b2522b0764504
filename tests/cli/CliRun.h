#pragma once

// Runs the built songkite-cli with hermetic volumes and preferences.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliRun {
    int code = -1;
    QString out;
    QString err;
};

/// `environment` adds or replaces variables ("NAME=value"); standard input is no terminal.
inline CliRun runCli(const QStringList &args, const QString &volumes, const QString &prefsDir,
                     const QStringList &environment = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment)
        env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    env.insert(QStringLiteral("SONGKITE_VOLUMES"), volumes);
    env.insert(QStringLiteral("SONGKITE_PREFS_DIR"), prefsDir);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SONGKITE_CLI), args);
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
