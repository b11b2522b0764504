#include "core/library/LibraryBridge.h"

#include "core/platform/AppPaths.h"
#include "core/platform/VolumeTable.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

LibraryBridge::LibraryBridge(QString scriptsDir, int timeLimitMs)
    : m_scriptsDir(std::move(scriptsDir)), m_timeLimitMs(timeLimitMs)
{
}

LibraryBridge &LibraryBridge::instance()
{
    static LibraryBridge bridge;
    return bridge;
}

QString LibraryBridge::scriptsDir() const { return m_scriptsDir.isEmpty() ? AppPaths::scriptsDir() : m_scriptsDir; }

QString LibraryBridge::scriptPath(const QString &name) const
{
    // Only a plain name: the caller's text must never reach a program elsewhere.
    if (name.isEmpty() || name == u"."_s || name == u".."_s || name.contains(u'/') || name.contains(QChar(0)))
        return {};
    const QFileInfo info(QDir(scriptsDir()), name);
    if (!info.isFile() || !info.isExecutable())
        return {};
    return info.absoluteFilePath();
}

QString LibraryBridge::call(const QString &name, const QStringList &params) const
{
    const QString path = scriptPath(name);
    if (!path.isEmpty())
        return runScript(path, params);
    const QString volume = params.value(0);
    if (name == u"volume-info"_s)
        return nativeVolumeInfo(volume);
    if (name == u"volume-free"_s)
        return nativeFreeSpace(volume);
    return {};
}

QString LibraryBridge::runScript(const QString &path, const QStringList &params) const
{
    QProcess proc;
    proc.setProgram(path);
    proc.setArguments(params);
    proc.setWorkingDirectory(QFileInfo(path).absolutePath());
    proc.setStandardInputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so that giving up on a script also ends what it started.
    proc.setChildProcessModifier([] { ::setpgid(0, 0); });
    proc.start(QIODevice::ReadOnly);
    if (!proc.waitForStarted(m_timeLimitMs))
        return {};
    if (!proc.waitForFinished(m_timeLimitMs)) {
        // A hung script must not hold the program: give up on it and answer nothing.
        if (const qint64 pid = proc.processId(); pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        proc.kill();
        proc.waitForFinished(1000);
        return {};
    }
    if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0)
        return {};
    QString answer = QString::fromUtf8(proc.readAllStandardOutput());
    if (answer.endsWith(u'\n'))
        answer.chop(1);
    return answer;
}

QString LibraryBridge::megabytes(qint64 bytes, qint64 unit)
{
    // Integer arithmetic, so that the callers' "x 1000, truncated" reads exact figures.
    const bool negative = bytes < 0;
    const quint64 b = negative ? quint64(-(bytes + 1)) + 1 : quint64(bytes);
    const quint64 whole = b / quint64(unit);
    const quint64 micro = (b % quint64(unit)) * 1000000 / quint64(unit);
    QString text = QString::number(whole);
    if (micro != 0) {
        QString frac = QString::number(micro).rightJustified(6, u'0');
        while (frac.endsWith(u'0'))
            frac.chop(1);
        text += u'.' + frac;
    }
    return negative ? u'-' + text : text;
}

QString LibraryBridge::nativeVolumeInfo(const QString &volumeName)
{
    const std::optional<Volume> v = VolumeTable::instance().volume(volumeName);
    if (!v || v->freeBytes < 0 || v->capacityBytes < 0)
        return {};
    return megabytes(v->freeBytes) + u',' + megabytes(v->capacityBytes) + u','
        + (v->ejectable ? u"true"_s : u"false"_s);
}

QString LibraryBridge::nativeFreeSpace(const QString &volumeName)
{
    const std::optional<Volume> v = VolumeTable::instance().volume(volumeName);
    if (!v || v->freeBytes < 0)
        return {};
    return megabytes(v->freeBytes, 1 << 20);
}
