#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

/// Colon paths: the volume name, then each folder name, then the file name, joined by ":".
/// A name's "/" in a colon path is ":" on disk and back, so every POSIX name has exactly
/// one colon form and the two forms convert by swapping those two characters.
namespace ColonPath {

/// The colon form of a name as stored on disk (":" and "/" trade places; nothing else
/// changes, no Unicode normalisation).
QString nameToColon(QStringView posixName);
/// The on-disk form of a colon-form name; the inverse of nameToColon.
QString nameToPosix(QStringView colonName);

/// The colon form of a name as the file system gives it, in bytes. A UTF-8 name reads as
/// nameToColon() of its text. Each byte that is not part of valid UTF-8 becomes the lone
/// surrogate U+DC80..U+DCFF of its value (no UTF-8 text holds one), so two such names
/// stay apart and nameToDisk() gives the bytes back exactly.
QString nameFromDisk(QByteArrayView posixName);
/// The on-disk bytes of a colon-form name; the inverse of nameFromDisk().
QByteArray nameToDisk(QStringView colonName);

/// True when a colon-form name can stand for one entry of a folder: not empty, not "." or
/// "..", holding neither ":" (the separator) nor NUL, and any escaped byte spelled as
/// nameFromDisk() spells it.
bool isValidName(QStringView colonName);

/// A colon path taken apart.
struct Parts {
    QString volume;      ///< colon-form volume name, never empty
    QStringList names;   ///< colon-form folder and file names below the volume
    bool trailingColon = false; ///< the path ended in ":" (a folder, or the volume itself)
};

/// Splits a colon path. "Vol", "Vol:" and "Vol:a:b:" are accepted (one trailing ":" marks a
/// folder); an empty volume name, an empty inner name ("Vol:a::b") and the names "." and
/// ".." give nothing, so a colon path can never leave its volume.
std::optional<Parts> split(QStringView colonPath);

/// Joins a volume and names into a colon path; `folder` adds the trailing ":". The volume
/// root alone is always "Vol:".
QString join(const QString &volume, const QStringList &names, bool folder);

/// An absolute POSIX path cleaned lexically: "//" and "." dropped, ".." taken back one
/// name (never above "/"); a relative path is taken from the working folder first.
/// Works on bytes, so names that are not valid UTF-8 stay exact.
QByteArray cleanPosix(QByteArrayView path);

} // namespace ColonPath
