#include "core/platform/FileItem.h"

#include "core/platform/ColonPath.h"
#include "core/platform/VolumeTable.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray joinPath(const QByteArray &dir, const QByteArray &name)
{
    return dir.endsWith('/') ? dir + name : dir + '/' + name;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray lastNameOf(const QByteArray &path) { return path.mid(path.lastIndexOf('/') + 1); }

qint64 nanos(const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

// Folder listings, shared by every item. A listing is trusted while the folder's time
// stamps are unchanged, but only once it was read clearly after the last change: FAT keeps
// times to 2 s, so a change right after a read can leave the stamps as they were.
// Changes made through FileItem patch the listing instead of dropping it, so that
// deleting entry by entry stays linear.
class ListingCache final {
public:
    static ListingCache &instance()
    {
        static ListingCache cache;
        return cache;
    }

    /// The sorted names of a folder; nullptr when it cannot be read.
    const QList<QByteArray> *names(const QByteArray &dir)
    {
        Stamp now;
        if (!stampOf(dir, &now)) {
            m_listings.remove(dir);
            return nullptr;
        }
        auto it = m_listings.find(dir);
        if (it != m_listings.end() && trusted(*it, now)) {
            it->lastUse = ++m_clock;
            return &it->names;
        }
        Listing fresh;
        fresh.stamp = now;
        if (!read(dir, &fresh.names)) {
            m_listings.remove(dir);
            return nullptr;
        }
        fresh.settled = clockNanos() > settlesAt(now);
        fresh.lastUse = ++m_clock;
        if (it == m_listings.end() && m_listings.size() >= kMaxListings)
            evictOldest();
        it = m_listings.insert(dir, fresh);
        return &it->names;
    }

    /// Call before changing a folder: whether its cached listing (if any) is exact now.
    bool current(const QByteArray &dir) const
    {
        const auto it = m_listings.constFind(dir);
        Stamp now;
        return it != m_listings.cend() && stampOf(dir, &now) && trusted(*it, now);
    }

    /// After a change made here: patch the listing when it was exact before, else drop it.
    void changed(const QByteArray &dir, const QByteArray &name, bool added, bool wasCurrent)
    {
        auto it = m_listings.find(dir);
        if (it == m_listings.end())
            return;
        Stamp now;
        if (!wasCurrent || !stampOf(dir, &now)) {
            m_listings.erase(it);
            return;
        }
        QList<QByteArray> &names = it->names;
        const auto pos = std::lower_bound(names.begin(), names.end(), name);
        const bool present = pos != names.end() && *pos == name;
        if (added && !present)
            names.insert(pos, name);
        else if (!added && present)
            names.erase(pos);
        it->stamp = now;
        it->settled = false;
        it->patched = true;
    }

private:
    struct Stamp {
        dev_t dev = 0;
        ino_t ino = 0;
        qint64 mtime = 0;
        qint64 ctime = 0;
        bool operator==(const Stamp &) const = default;
    };
    struct Listing {
        Stamp stamp;
        QList<QByteArray> names;
        bool settled = false; ///< read after the last change had settled
        bool patched = false; ///< last brought up to date by a change made here
        quint64 lastUse = 0;
    };

    // File systems that keep whole seconds (FAT: 2 s) need a long wait before a stamp
    // can be trusted; the rest keep sub-second times and are only as coarse as the
    // kernel's clock tick.
    static constexpr qint64 kSettleCoarse = 3'000'000'000;
    static constexpr qint64 kSettleFine = 100'000'000;
    static constexpr qsizetype kMaxListings = 32;

    static bool stampOf(const QByteArray &dir, Stamp *out)
    {
        struct stat st {};
        if (::stat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        *out = {st.st_dev, st.st_ino, nanos(st.st_mtim), nanos(st.st_ctim)};
        return true;
    }

    static qint64 changedAt(const Stamp &s) { return std::max(s.mtime, s.ctime); }

    /// The moment after which no further change can leave the stamp as it is.
    static qint64 settlesAt(const Stamp &s)
    {
        const bool coarse = s.mtime % 1000000000 == 0 && s.ctime % 1000000000 == 0;
        return changedAt(s) + (coarse ? kSettleCoarse : kSettleFine);
    }

    static qint64 clockNanos()
    {
        timespec t {};
        ::clock_gettime(CLOCK_REALTIME, &t);
        return nanos(t);
    }

    static bool trusted(const Listing &l, const Stamp &now)
    {
        if (!(l.stamp == now))
            return false;
        // Our own patch stays good until the change has settled; then one fresh read
        // confirms it, in case someone else changed the folder in the same time tick.
        return l.settled || (l.patched && clockNanos() <= settlesAt(now));
    }

    static bool read(const QByteArray &dir, QList<QByteArray> *out)
    {
        DIR *d = ::opendir(dir.constData());
        if (!d)
            return false;
        while (const dirent *e = ::readdir(d)) {
            const QByteArray name = e->d_name;
            if (name != "." && name != "..")
                out->append(name);
        }
        ::closedir(d);
        std::sort(out->begin(), out->end());
        return true;
    }

    void evictOldest()
    {
        auto oldest = m_listings.begin();
        for (auto it = m_listings.begin(); it != m_listings.end(); ++it) {
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        }
        m_listings.erase(oldest);
    }

    QHash<QByteArray, Listing> m_listings;
    quint64 m_clock = 0;
};

int writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Copies every byte from one open file to another; 0 or an errno value. The kernel copies
// where it can (no round trip through our memory); otherwise plain reads and writes, and
// `readFailed` tells a failed read from a failed write.
int copyBytes(int in, int out, bool *readFailed)
{
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        // Not offered between these files: fall back, but only before any byte moved, so the
        // two ways never mix offsets.
        if (first && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP
                      || errno == EBADF || errno == EPERM))
            break;
        return errno;
    }
    static constexpr size_t kChunk = 1 << 20;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), kChunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *readFailed = true;
            return errno;
        }
        if (n == 0)
            return 0;
        if (const int err = writeAll(out, buffer.constData(), size_t(n)))
            return err;
    }
}

} // namespace

FileItem::FileItem(const QString &posixPath)
{
    if (!posixPath.isEmpty())
        m_path = ColonPath::cleanPosix(QFile::encodeName(posixPath));
}

FileItem FileItem::fromPosixBytes(const QByteArray &posixPath)
{
    FileItem item;
    if (!posixPath.isEmpty())
        item.m_path = ColonPath::cleanPosix(posixPath);
    return item;
}

FileItem FileItem::fromColonPath(QStringView colonPath) { return fromColonPath(colonPath, VolumeTable::instance()); }

FileItem FileItem::fromColonPath(QStringView colonPath, const VolumeTable &table)
{
    const std::optional<QByteArray> posix = table.toPosix(colonPath);
    return posix ? fromPosixBytes(*posix) : FileItem();
}

QString FileItem::posixPath() const { return QFile::decodeName(m_path); }

QString FileItem::colonPath() const { return colonPath(VolumeTable::instance()); }

QString FileItem::colonPath(const VolumeTable &table) const
{
    if (isNull())
        return {};
    QString path = table.toColon(m_path);
    if (!path.isEmpty() && !path.endsWith(u':') && isFolder())
        path += u':';
    return path;
}

QString FileItem::name() const { return name(VolumeTable::instance()); }

QString FileItem::name(const VolumeTable &table) const
{
    if (isNull())
        return {};
    if (const std::optional<Volume> v = table.volumeAt(m_path))
        return v->name;
    return ColonPath::nameFromDisk(lastNameOf(m_path));
}

FileItem FileItem::parent() const { return parent(VolumeTable::instance()); }

FileItem FileItem::parent(const VolumeTable &table) const
{
    if (isNull() || m_path == "/" || table.volumeAt(m_path))
        return {};
    return fromPosixBytes(parentOf(m_path));
}

FileItem FileItem::child(const QString &colonName) const
{
    if (isNull() || !ColonPath::isValidName(colonName))
        return {};
    FileItem item;
    item.m_path = joinPath(m_path, ColonPath::nameToDisk(colonName));
    return item;
}

int FileItem::count() const
{
    if (isNull())
        return 0;
    const QList<QByteArray> *names = ListingCache::instance().names(m_path);
    return names ? int(names->size()) : 0;
}

FileItem FileItem::entry(int index) const
{
    if (isNull() || index < 1)
        return {};
    const QList<QByteArray> *names = ListingCache::instance().names(m_path);
    if (!names || index > names->size())
        return {};
    FileItem item;
    item.m_path = joinPath(m_path, names->at(index - 1));
    return item;
}

QList<FileItem> FileItem::entries() const
{
    QList<FileItem> out;
    if (isNull())
        return out;
    const QList<QByteArray> *names = ListingCache::instance().names(m_path);
    if (!names)
        return out;
    out.reserve(names->size());
    for (const QByteArray &name : *names) {
        FileItem item;
        item.m_path = joinPath(m_path, name);
        out.append(item);
    }
    return out;
}

bool FileItem::exists() const
{
    struct stat st {};
    return !isNull() && ::lstat(m_path.constData(), &st) == 0;
}

bool FileItem::isFolder() const
{
    struct stat st {};
    return !isNull() && ::stat(m_path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileItem::isAlias() const
{
    struct stat st {};
    return !isNull() && ::lstat(m_path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

qint64 FileItem::size() const
{
    struct stat st {};
    if (isNull() || ::stat(m_path.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    return qint64(st.st_size);
}

QDateTime FileItem::modificationTime() const
{
    struct stat st {};
    if (isNull() || ::stat(m_path.constData(), &st) != 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

int FileItem::setModificationTime(const QDateTime &time) const
{
    if (isNull() || !time.isValid())
        return EINVAL;
    const qint64 ms = time.toMSecsSinceEpoch();
    qint64 secs = ms / 1000;
    qint64 rest = ms % 1000;
    if (rest < 0) { // before 1970: keep the nanoseconds positive
        --secs;
        rest += 1000;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(secs), long(rest * 1000000)}};
    return ::utimensat(AT_FDCWD, m_path.constData(), times, 0) == 0 ? 0 : errno;
}

int FileItem::copyTo(const FileItem &destination, bool *sourceFailed) const
{
    if (sourceFailed)
        *sourceFailed = false;
    if (isNull() || destination.isNull())
        return EINVAL;
    QByteArray target = destination.m_path;
    if (destination.isFolder())
        target = joinPath(target, lastNameOf(m_path));

    // Without O_NONBLOCK a FIFO among the sources would hang the open until a writer came.
    const int in = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        if (sourceFailed)
            *sourceFailed = true;
        return errno;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(in);
        if (sourceFailed)
            *sourceFailed = true;
        return err;
    }
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);

    const QByteArray dir = parentOf(target);
    ListingCache &cache = ListingCache::instance();
    const bool wasCurrent = cache.current(dir);
    // O_EXCL: an existing file is never truncated, and a partial file we remove is ours.
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return err;
    }
    bool readFailed = false;
    int err = copyBytes(in, out, &readFailed);
    // Start writing to the device now, without waiting: a card is written while the next
    // song is read, and the writer flushes once at its end (syncFileSystem) to learn of
    // late failures. Waiting here for every song would halve the throughput.
    if (err == 0)
        ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (::close(out) != 0 && err == 0 && errno != EINTR)
        err = errno;
    ::close(in);
    if (err != 0)
        ::unlink(target.constData());
    cache.changed(dir, lastNameOf(target), err == 0, wasCurrent);
    if (sourceFailed)
        *sourceFailed = readFailed;
    return err;
}

int FileItem::syncFileSystem() const
{
    if (isNull())
        return EINVAL;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int err = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

int FileItem::remove() const
{
    if (isNull())
        return EINVAL;
    struct stat st {};
    if (::lstat(m_path.constData(), &st) != 0)
        return errno;
    const QByteArray dir = parentOf(m_path);
    ListingCache &cache = ListingCache::instance();
    const bool wasCurrent = cache.current(dir);
    const int rc = S_ISDIR(st.st_mode) ? ::rmdir(m_path.constData()) : ::unlink(m_path.constData());
    if (rc != 0)
        return errno;
    cache.changed(dir, lastNameOf(m_path), false, wasCurrent);
    return 0;
}

int FileItem::createFolder() const
{
    if (isNull())
        return EINVAL;
    const QByteArray dir = parentOf(m_path);
    ListingCache &cache = ListingCache::instance();
    const bool wasCurrent = cache.current(dir);
    if (::mkdir(m_path.constData(), 0777) != 0)
        return errno;
    cache.changed(dir, lastNameOf(m_path), true, wasCurrent);
    return 0;
}
