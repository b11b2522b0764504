#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// The file types the program knows, in the order they are registered at start-up. File
/// choosers filter on them, the song list accepts drops by them, and files the program
/// creates are given them.
struct FileType {
    QString name;
    QString creator;
    QString type;
    QStringList extensions; // with the leading dot, as registered
};

namespace FileTypes {

inline const QString kManagementFile = QStringLiteral("msiclib");
inline const QString kSong = QStringLiteral("audio/x-m4a");
inline const QString kFolder = QStringLiteral("special/folder");
inline const QString kText = QStringLiteral("text/plain");
inline const QString kSongList = QStringLiteral("mydata/mlist");
inline const QString kCardSong = QStringLiteral("audio/3gpp2");

/// Every registered type, in registration order.
const QList<FileType> &all();
/// The type of that name, or nullptr.
const FileType *byName(const QString &name);
/// Whether a file name carries one of the type's extensions (letter case ignored).
bool matches(const QString &typeName, const QString &fileName);
/// A file chooser's name filter for the type, e.g. "mydata/mlist (*.txt)".
QString nameFilter(const QString &typeName);
/// The type the song list accepts a dropped item as: kFolder for a folder, kSong for a
/// song file; an empty text for anything else.
QString dropType(const QString &fileName, bool isFolder);

} // namespace FileTypes
