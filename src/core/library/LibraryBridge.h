#pragma once

#include <QString>
#include <QStringList>

/// Runs the program's scripts: an executable file of the given name in the scripts folder,
/// started with the parameters as its arguments; its standard output, read as UTF-8, is the
/// answer (one final line feed dropped). A script that is missing, cannot start, exits
/// non-zero or runs past the time limit answers the empty text.
///
/// `volume-info` and `volume-free` are answered from the volume table unless the scripts folder
/// holds an executable of that name:
/// - volume-info VOLUME: "free,capacity,ejectable" in megabytes of 1,000,000 bytes, e.g.
///   "123.4567,1000,true";
/// - volume-free VOLUME: the free space in megabytes of 1,048,576 bytes, the unit of the
///   transfer's room check, e.g. "117.7375".
/// An unknown volume answers the empty text.
class LibraryBridge final {
public:
    static constexpr int kDefaultTimeLimitMs = 15000;

    /// `scriptsDir` empty: the folder AppPaths::scriptsDir() names at each call.
    explicit LibraryBridge(QString scriptsDir = {}, int timeLimitMs = kDefaultTimeLimitMs);

    /// The bridge the program uses.
    static LibraryBridge &instance();

    QString call(const QString &name, const QStringList &params = {}) const;

    int timeLimitMs() const { return m_timeLimitMs; }
    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; }
    QString scriptsDir() const;

    /// The executable a name stands for; empty when there is none (or the name could
    /// leave the scripts folder).
    QString scriptPath(const QString &name) const;

    /// Bytes as megabytes of `unit` bytes, in plain decimal with at most six decimals and
    /// no trailing zeros ("123.4567", "1000").
    static QString megabytes(qint64 bytes, qint64 unit = 1000000);
    /// The native answers, from the process-wide volume table.
    static QString nativeVolumeInfo(const QString &volumeName);
    static QString nativeFreeSpace(const QString &volumeName);

private:
    QString runScript(const QString &path, const QStringList &params) const;

    QString m_scriptsDir;
    int m_timeLimitMs;
};
