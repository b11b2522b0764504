#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class VolumeTable;

/// A file or folder, held by its absolute POSIX path (as bytes, so every name on disk is
/// kept exactly); its colon path is worked out on demand through a VolumeTable. An item
/// may name something that does not exist; a null item names nothing (a colon path that
/// did not resolve).
///
/// Error codes: 0 is success, anything else is an errno value (ENOENT, EEXIST, ENOSPC,
/// ...); EINVAL for a null item or an unusable name.
///
/// A folder's entries are every name in it but "." and "..", sorted by the bytes of their
/// on-disk names (code-point order, independent of the locale). Entry indexes count from
/// 1. Listings are cached per folder and checked against the folder's time stamps, and
/// changes made through FileItem keep the cache right, so a loop over count() and
/// entry(i) reads a folder once, even when the loop deletes entries.
class FileItem final {
public:
    /// The null item.
    FileItem() = default;
    /// The item at a POSIX path; a relative path is taken from the working folder, and
    /// "." and ".." are taken apart lexically.
    explicit FileItem(const QString &posixPath);
    /// The same from the raw bytes of a path.
    static FileItem fromPosixBytes(const QByteArray &posixPath);
    /// The item a colon path names (which need not exist); null when the path is
    /// malformed or names no known volume.
    static FileItem fromColonPath(QStringView colonPath);
    static FileItem fromColonPath(QStringView colonPath, const VolumeTable &table);

    bool isNull() const { return m_path.isEmpty(); }
    /// Absolute POSIX path; empty for the null item.
    QString posixPath() const;
    const QByteArray &posixBytes() const { return m_path; }
    /// Absolute colon path: a folder (and a volume's root) ends in ":". Empty when the item
    /// is null or on no volume.
    QString colonPath() const;
    QString colonPath(const VolumeTable &table) const;
    /// Colon form of the item's name; a volume root answers with the volume's name.
    QString name() const;
    QString name(const VolumeTable &table) const;

    /// The folder holding this item; null for a volume root, "/" and the null item.
    FileItem parent() const;
    FileItem parent(const VolumeTable &table) const;
    /// The entry of that colon-form name in this folder (which need not exist); null when
    /// the name is empty, ".", ".." or holds ":".
    FileItem child(const QString &colonName) const;

    /// Number of entries of this folder; 0 for a file or a missing item.
    int count() const;
    /// The entry at a 1-based index; null outside 1..count().
    FileItem entry(int index) const;
    /// All entries, in the same order.
    QList<FileItem> entries() const;

    /// The entry itself is there (a dangling symbolic link exists).
    bool exists() const;
    /// A folder, or a symbolic link to one.
    bool isFolder() const;
    /// A symbolic link.
    bool isAlias() const;
    /// Size in bytes of a file (through a link); 0 for a folder or a missing item.
    qint64 size() const;
    /// Modification time (through a link); invalid when the item is missing.
    QDateTime modificationTime() const;
    /// Sets the modification time (through a link), leaving the access time.
    int setModificationTime(const QDateTime &time) const;

    /// Copies this file's bytes to `destination`, or into it under this item's name when it
    /// is a folder. Refuses an existing destination file (EEXIST) and leaves no partial
    /// file behind when the copy fails (ENOSPC for a full volume). Only a regular file is
    /// copied, and it is opened without waiting: a FIFO or device gives EINVAL at once.
    /// `sourceFailed`, when given, tells whether opening or reading this file failed
    /// rather than writing the destination.
    int copyTo(const FileItem &destination, bool *sourceFailed = nullptr) const;
    /// Deletes a file, a symbolic link (never what it points to) or an empty folder.
    int remove() const;
    /// Writes everything pending on this item's file system to its device; 0 or an errno
    /// value (a card that failed to take data says so here).
    int syncFileSystem() const;
    /// Creates this folder (its parent must exist); EEXIST when something is there.
    int createFolder() const;

    friend bool operator==(const FileItem &, const FileItem &) = default;

private:
    QByteArray m_path;
};
