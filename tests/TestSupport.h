#pragma once

// Small helpers every test area uses: whole-file reads and writes, and hermetic folders
// for the preferences, the application's folder and the volumes.

#include "core/prefs/Preferences.h"
#include "core/songlist/SongListModel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace testsupport {

/// Writes `bytes` to `path`, creating the folders on the way.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

/// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Preferences in root/prefs, the application's folder in root/home, the volumes in
/// root/volumes; the preference values back to a first start.
inline void useHermeticFolders(const QString &root)
{
    qputenv("SONGKITE_PREFS_DIR", QFile::encodeName(root + QStringLiteral("/prefs")));
    qputenv("SONGKITE_HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("SONGKITE_VOLUMES", QFile::encodeName(root + QStringLiteral("/volumes")));
    preference::resetToInitial();
}

/// One column of the song list, top to bottom.
inline QStringList column(const SongListModel &songs, int c)
{
    QStringList out;
    for (int r = 0; r < songs.rowCount(); ++r)
        out << songs.cell(r, c);
    return out;
}

} // namespace testsupport
