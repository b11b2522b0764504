#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

/// One volume: a mounted file system as the program names it.
struct Volume {
    QString name;        ///< colon-form name, unique in its table
    QString mountPoint;  ///< absolute POSIX path, no trailing "/" (except the root "/")
    QString fsType;      ///< e.g. "vfat"; empty under SONGKITE_VOLUMES
    QString device;      ///< mount source, e.g. "/dev/sdb1"; empty under SONGKITE_VOLUMES
    bool ejectable = false;
    qint64 freeBytes = -1;     ///< room for files, measured when the volume was asked for
    qint64 capacityBytes = -1; ///< total size, same moment; -1 when statvfs failed
};

/// One line of /proc/self/mountinfo, decoded.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    QString mountPoint;
    QString fsType;
    QString source;
};

/// Maps colon paths to POSIX paths and back through the mounted volumes. Volumes are the
/// root file system plus every file system mounted under /media, /run/media or /mnt;
/// SONGKITE_VOLUMES=DIR replaces them by the sub-folders of DIR. The process-wide table
/// follows mounts and unmounts by itself (mountinfo is polled on each lookup). Like the
/// rest of the program it is used from the GUI thread only.
class VolumeTable final {
public:
    /// The process-wide table, loaded on first use.
    static VolumeTable &instance();

    /// A table over the sub-folders of `volumesDir`, as SONGKITE_VOLUMES would give; it
    /// follows sub-folders being added or removed.
    explicit VolumeTable(const QString &volumesDir);
    /// A fixed table (tests): names and mount points as given, in this order.
    explicit VolumeTable(QList<Volume> volumes);
    ~VolumeTable();
    VolumeTable(const VolumeTable &) = delete;
    VolumeTable &operator=(const VolumeTable &) = delete;

    /// Reads the volumes again (the environment variable too, for the process-wide table).
    void reload();

    /// Every volume, in mount order, with its present free space and capacity.
    QList<Volume> volumes() const;
    /// The volume of that colon-form name, with its present free space and capacity.
    std::optional<Volume> volume(const QString &name) const;

    /// The colon path of an absolute POSIX path: the volume with the longest mount-point
    /// prefix, then each name in colon form, no trailing ":" (but "Vol:" for a volume's
    /// root). Empty when no volume holds the path.
    QString toColon(const QByteArray &posixPath) const;
    QString toColon(const QString &posixPath) const;
    /// The POSIX path a colon path names (whether it exists or not); nothing when the path
    /// is malformed (see ColonPath::split) or its volume is unknown.
    std::optional<QByteArray> toPosix(QStringView colonPath) const;
    /// The volume whose mount point is exactly this POSIX path, if any.
    std::optional<Volume> volumeAt(const QByteArray &posixPath) const;

    // Building blocks of the system table, separate so that they can be tested on text.

    /// Parses /proc/self/mountinfo text; octal escapes such as \040 are decoded.
    /// Malformed lines are skipped.
    static QList<MountEntry> parseMountInfo(QByteArrayView text);
    /// Chooses and names the volumes among mounts (in mount order): the root, and what is
    /// mounted at or under /media, /run/media and /mnt (a mount point mounted over keeps
    /// only its last mount). `labelOf` gives a mount's file-system label, empty for none.
    static QList<Volume> volumesFromMounts(const QList<MountEntry> &mounts,
                                           const std::function<QString(const MountEntry &)> &labelOf);
    /// Decodes udev's \xHH escapes in a /dev/disk/by-label entry name.
    static QString decodeUdevName(QByteArrayView name);
    /// Gives later volumes that share a name " 1", " 2", ... so that every name is unique;
    /// a suffixed name never takes a name another volume already has.
    static void makeNamesUnique(QList<Volume> &volumes);

private:
    enum class Source { System, Folder, Fixed };
    VolumeTable();
    void refreshIfChanged() const;
    void load() const;
    const Volume *longestPrefix(const QByteArray &posixPath, qsizetype *prefixLength) const;
    static void measure(Volume &v);

    Source m_source = Source::Fixed;
    QString m_folder;               ///< Folder source: the folder of volumes
    mutable QByteArray m_loadedEnv; ///< System source: SONGKITE_VOLUMES when loaded
    mutable QList<Volume> m_volumes;
    mutable QList<QByteArray> m_mountPoints; ///< encoded m_volumes' mount points
    mutable int m_mountInfoFd = -1;
    mutable qint64 m_folderStamp[3] = {-1, -1, -1};
    mutable bool m_loaded = false;
};
