#include "core/platform/VolumeTable.h"

#include "core/platform/ColonPath.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kNoName = u"NO NAME"_s;

int octalDigit(char c) { return c >= '0' && c <= '7' ? c - '0' : -1; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// mountinfo escapes blank, tab, newline and backslash as \ooo.
QByteArray decodeOctal(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octalDigit(field[i + 1]) >= 0
            && octalDigit(field[i + 2]) >= 0 && octalDigit(field[i + 3]) >= 0) {
            out += char(octalDigit(field[i + 1]) * 64 + octalDigit(field[i + 2]) * 8 + octalDigit(field[i + 3]));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool atOrUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

QString lastComponent(const QString &path) { return path.mid(path.lastIndexOf(u'/') + 1); }

QByteArray readSmallFile(const QByteArray &path)
{
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(4096).trimmed();
}

QByteArray realPath(const QByteArray &path)
{
    char buf[PATH_MAX];
    return ::realpath(path.constData(), buf) ? QByteArray(buf) : QByteArray();
}

// The block device a mount stands on, as a device number; 0 when it has none.
dev_t blockDevice(const MountEntry &m)
{
    struct stat st {};
    if (m.source.startsWith(u'/') && ::stat(QFile::encodeName(m.source).constData(), &st) == 0 && S_ISBLK(st.st_mode))
        return st.st_rdev;
    if (m.major == 0)
        return 0; // anonymous devices (tmpfs, btrfs sub-volumes, fuse) have no sysfs entry
    return makedev(m.major, m.minor);
}

// Labels from /dev/disk/by-label, keyed by device number and by the device's real path.
struct Labels {
    QHash<dev_t, QString> byDevice;
    QHash<QByteArray, QString> byPath;

    Labels()
    {
        const QByteArray dir = "/dev/disk/by-label";
        DIR *d = ::opendir(dir.constData());
        if (!d)
            return;
        while (const dirent *e = ::readdir(d)) {
            const QByteArray name = e->d_name;
            if (name == "." || name == "..")
                continue;
            const QString label = VolumeTable::decodeUdevName(name);
            const QByteArray link = dir + '/' + name;
            struct stat st {};
            if (::stat(link.constData(), &st) == 0 && S_ISBLK(st.st_mode))
                byDevice.insert(st.st_rdev, label);
            const QByteArray target = realPath(link);
            if (!target.isEmpty())
                byPath.insert(target, label);
        }
        ::closedir(d);
    }

    QString of(const MountEntry &m) const
    {
        if (const dev_t dev = blockDevice(m); dev != 0 && byDevice.contains(dev))
            return byDevice.value(dev);
        if (m.source.startsWith(u'/'))
            return byPath.value(realPath(QFile::encodeName(m.source)));
        return {};
    }
};

// A device is ejectable when its disk says it is removable; SD cards in a built-in slot
// report 0 there, so an MMC device of type SD counts as well.
bool isEjectable(const MountEntry &m)
{
    const dev_t dev = blockDevice(m);
    if (dev == 0)
        return false;
    QByteArray dir = realPath("/sys/dev/block/" + QByteArray::number(major(dev)) + ':' + QByteArray::number(minor(dev)));
    if (dir.isEmpty())
        return false;
    if (QFile::exists(QFile::decodeName(dir + "/partition")))
        dir = dir.left(dir.lastIndexOf('/'));
    if (readSmallFile(dir + "/removable") == "1")
        return true;
    return readSmallFile(dir + "/device/type") == "SD";
}

struct FolderStamp {
    qint64 ino = -1, mtime = -1, ctime = -1;
};

FolderStamp stampOf(const QByteArray &path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return {};
    return {qint64(st.st_ino), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

QList<Volume> volumesInFolder(const QString &folder)
{
    const QByteArray dir = ColonPath::cleanPosix(QFile::encodeName(folder));
    QList<QByteArray> names;
    if (DIR *d = ::opendir(dir.constData())) {
        while (const dirent *e = ::readdir(d)) {
            const QByteArray name = e->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            if (::stat((dir + '/' + name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
                names.append(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    QList<Volume> out;
    for (const QByteArray &name : names) {
        Volume v;
        v.name = ColonPath::nameFromDisk(name);
        v.mountPoint = QFile::decodeName(dir == "/" ? '/' + name : dir + '/' + name);
        v.ejectable = true;
        out.append(v);
    }
    return out;
}

qint64 clampBytes(unsigned long long blocks, unsigned long long size)
{
    if (size != 0 && blocks > static_cast<unsigned long long>(LLONG_MAX) / size)
        return LLONG_MAX;
    return qint64(blocks * size);
}

} // namespace

VolumeTable &VolumeTable::instance()
{
    static VolumeTable table;
    return table;
}

VolumeTable::VolumeTable() : m_source(Source::System) {}

VolumeTable::VolumeTable(const QString &volumesDir) : m_source(Source::Folder), m_folder(volumesDir) {}

VolumeTable::VolumeTable(QList<Volume> volumes) : m_source(Source::Fixed), m_volumes(std::move(volumes))
{
    for (const Volume &v : std::as_const(m_volumes))
        m_mountPoints.append(QFile::encodeName(v.mountPoint));
    m_loaded = true;
}

VolumeTable::~VolumeTable()
{
    if (m_mountInfoFd >= 0)
        ::close(m_mountInfoFd);
}

void VolumeTable::reload()
{
    if (m_source != Source::Fixed)
        load();
}

void VolumeTable::load() const
{
    QString folder;
    if (m_source == Source::Folder) {
        folder = m_folder;
    } else {
        m_loadedEnv = qgetenv("SONGKITE_VOLUMES");
        folder = QFile::decodeName(m_loadedEnv);
    }

    if (!folder.isEmpty()) {
        m_volumes = volumesInFolder(folder);
        const FolderStamp s = stampOf(ColonPath::cleanPosix(QFile::encodeName(folder)));
        m_folderStamp[0] = s.ino;
        m_folderStamp[1] = s.mtime;
        m_folderStamp[2] = s.ctime;
    } else {
        if (m_mountInfoFd < 0)
            m_mountInfoFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        QByteArray text;
        if (m_mountInfoFd >= 0) {
            // Take the pending change report first, so that a change while reading is seen
            // by the next lookup.
            pollfd p{m_mountInfoFd, POLLPRI, 0};
            ::poll(&p, 1, 0);
            ::lseek(m_mountInfoFd, 0, SEEK_SET);
            char buf[16384];
            for (;;) {
                const ssize_t n = ::read(m_mountInfoFd, buf, sizeof buf);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                text.append(buf, n);
            }
        }
        QList<MountEntry> mounts = parseMountInfo(text);
        if (mounts.isEmpty())
            mounts.append(MountEntry{0, 0, u"/"_s, {}, {}});
        const Labels labels;
        m_volumes = volumesFromMounts(mounts, [&labels](const MountEntry &m) { return labels.of(m); });
        for (Volume &v : m_volumes) {
            const auto it = std::find_if(mounts.crbegin(), mounts.crend(),
                                         [&v](const MountEntry &m) { return m.mountPoint == v.mountPoint; });
            if (it != mounts.crend())
                v.ejectable = isEjectable(*it);
        }
    }
    m_mountPoints.clear();
    for (const Volume &v : std::as_const(m_volumes))
        m_mountPoints.append(QFile::encodeName(v.mountPoint));
    m_loaded = true;
}

void VolumeTable::refreshIfChanged() const
{
    if (m_source == Source::Fixed)
        return;
    if (!m_loaded) {
        load();
        return;
    }
    if (m_source == Source::System && qgetenv("SONGKITE_VOLUMES") != m_loadedEnv) {
        load();
        return;
    }
    const bool folderMode = m_source == Source::Folder || !m_loadedEnv.isEmpty();
    if (folderMode) {
        const QString folder = m_source == Source::Folder ? m_folder : QFile::decodeName(m_loadedEnv);
        const FolderStamp s = stampOf(ColonPath::cleanPosix(QFile::encodeName(folder)));
        if (s.ino != m_folderStamp[0] || s.mtime != m_folderStamp[1] || s.ctime != m_folderStamp[2])
            load();
        return;
    }
    if (m_mountInfoFd >= 0) {
        pollfd p{m_mountInfoFd, POLLPRI, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR)))
            load();
    }
}

void VolumeTable::measure(Volume &v)
{
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(v.mountPoint).constData(), &s) != 0) {
        v.freeBytes = v.capacityBytes = -1;
        return;
    }
    v.freeBytes = clampBytes(s.f_bavail, s.f_frsize);
    v.capacityBytes = clampBytes(s.f_blocks, s.f_frsize);
}

QList<Volume> VolumeTable::volumes() const
{
    refreshIfChanged();
    QList<Volume> out = m_volumes;
    for (Volume &v : out)
        measure(v);
    return out;
}

std::optional<Volume> VolumeTable::volume(const QString &name) const
{
    refreshIfChanged();
    for (const Volume &v : std::as_const(m_volumes)) {
        if (v.name == name) {
            Volume out = v;
            measure(out);
            return out;
        }
    }
    return std::nullopt;
}

const Volume *VolumeTable::longestPrefix(const QByteArray &posixPath, qsizetype *prefixLength) const
{
    const Volume *best = nullptr;
    qsizetype bestLength = -1;
    for (qsizetype i = 0; i < m_volumes.size(); ++i) {
        const QByteArray &mp = m_mountPoints.at(i);
        const bool holds = mp == "/" ? posixPath.startsWith('/')
                                     : posixPath == mp || (posixPath.startsWith(mp) && posixPath.at(mp.size()) == '/');
        if (holds && mp.size() > bestLength) {
            best = &m_volumes.at(i);
            bestLength = mp.size();
        }
    }
    if (prefixLength)
        *prefixLength = bestLength;
    return best;
}

QString VolumeTable::toColon(const QByteArray &posixPath) const
{
    refreshIfChanged();
    const QByteArray path = ColonPath::cleanPosix(posixPath);
    qsizetype prefix = 0;
    const Volume *v = longestPrefix(path, &prefix);
    if (!v)
        return {};
    QStringList names;
    for (const QByteArray &name : path.mid(prefix).split('/')) {
        if (!name.isEmpty())
            names.append(ColonPath::nameFromDisk(name));
    }
    return ColonPath::join(v->name, names, false);
}

QString VolumeTable::toColon(const QString &posixPath) const { return toColon(QFile::encodeName(posixPath)); }

std::optional<QByteArray> VolumeTable::toPosix(QStringView colonPath) const
{
    const std::optional<ColonPath::Parts> parts = ColonPath::split(colonPath);
    if (!parts)
        return std::nullopt;
    refreshIfChanged();
    for (qsizetype i = 0; i < m_volumes.size(); ++i) {
        if (m_volumes.at(i).name != parts->volume)
            continue;
        QByteArray out = m_mountPoints.at(i);
        for (const QString &name : parts->names) {
            if (!out.endsWith('/'))
                out += '/';
            out += ColonPath::nameToDisk(name);
        }
        return out;
    }
    return std::nullopt;
}

std::optional<Volume> VolumeTable::volumeAt(const QByteArray &posixPath) const
{
    refreshIfChanged();
    const QByteArray path = ColonPath::cleanPosix(posixPath);
    for (qsizetype i = 0; i < m_volumes.size(); ++i) {
        if (m_mountPoints.at(i) == path)
            return m_volumes.at(i);
    }
    return std::nullopt;
}

QList<MountEntry> VolumeTable::parseMountInfo(QByteArrayView text)
{
    QList<MountEntry> out;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(start, end - start);
        start = end + 1;

        QList<QByteArrayView> f;
        for (qsizetype i = 0; i < line.size();) {
            while (i < line.size() && line[i] == ' ')
                ++i;
            qsizetype j = i;
            while (j < line.size() && line[j] != ' ')
                ++j;
            if (j > i)
                f.append(line.sliced(i, j - i));
            i = j;
        }
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype dash = f.indexOf(QByteArrayView("-"));
        if (f.size() < 6 || dash < 6 || dash + 2 >= f.size())
            continue;
        const QByteArrayView dev = f.at(2);
        const qsizetype colon = dev.indexOf(':');
        bool okMajor = false, okMinor = false;
        MountEntry m;
        if (colon > 0) {
            m.major = dev.first(colon).toUInt(&okMajor);
            m.minor = dev.sliced(colon + 1).toUInt(&okMinor);
        }
        if (!okMajor || !okMinor || !f.at(4).startsWith('/'))
            continue;
        m.mountPoint = QFile::decodeName(decodeOctal(f.at(4)));
        m.fsType = QFile::decodeName(decodeOctal(f.at(dash + 1)));
        m.source = QFile::decodeName(decodeOctal(f.at(dash + 2)));
        out.append(m);
    }
    return out;
}

QList<Volume> VolumeTable::volumesFromMounts(const QList<MountEntry> &mounts,
                                             const std::function<QString(const MountEntry &)> &labelOf)
{
    static const QStringList kFatTypes{u"vfat"_s, u"msdos"_s, u"exfat"_s};
    QList<Volume> out;
    for (qsizetype i = 0; i < mounts.size(); ++i) {
        const MountEntry &m = mounts.at(i);
        const bool mountedOver = std::any_of(mounts.cbegin() + i + 1, mounts.cend(),
                                             [&m](const MountEntry &later) { return later.mountPoint == m.mountPoint; });
        if (mountedOver || m.fsType == u"autofs")
            continue; // an automount point is only a placeholder for the real mount
        const bool root = m.mountPoint == u"/";
        if (!root && !atOrUnder(m.mountPoint, u"/media"_s) && !atOrUnder(m.mountPoint, u"/run/media"_s)
            && !atOrUnder(m.mountPoint, u"/mnt"_s))
            continue;
        const QString label = labelOf ? labelOf(m) : QString();
        QString name;
        if (root)
            name = label.isEmpty() ? u"Linux"_s : label;
        else if (kFatTypes.contains(m.fsType) && (label.isEmpty() || label == kNoName))
            name = kNoName;
        else
            name = label.isEmpty() ? lastComponent(m.mountPoint) : label;
        Volume v;
        v.name = ColonPath::nameToColon(name);
        v.mountPoint = m.mountPoint;
        v.fsType = m.fsType;
        v.device = m.source;
        out.append(v);
    }
    makeNamesUnique(out);
    return out;
}

void VolumeTable::makeNamesUnique(QList<Volume> &volumes)
{
    QSet<QString> original;
    for (const Volume &v : std::as_const(volumes))
        original.insert(v.name);
    QSet<QString> taken;
    for (Volume &v : volumes) {
        if (!taken.contains(v.name)) {
            taken.insert(v.name);
            continue;
        }
        for (int k = 1;; ++k) {
            const QString candidate = v.name + u' ' + QString::number(k);
            if (!taken.contains(candidate) && !original.contains(candidate)) {
                v.name = candidate;
                taken.insert(candidate);
                break;
            }
        }
    }
}

QString VolumeTable::decodeUdevName(QByteArrayView name)
{
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hexDigit(name[i + 2]) >= 0
            && hexDigit(name[i + 3]) >= 0) {
            out += char(hexDigit(name[i + 2]) * 16 + hexDigit(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return QFile::decodeName(out);
}
