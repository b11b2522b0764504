#include "core/transfer/CardClearing.h"

#include "core/card/CardLayout.h"

#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace CardFormat {

const QStringList &replaceAllSuffixes()
{
    static const QStringList suffixes{u".3G2"_s, u".3G2.tmp"_s, u".MGR"_s, u".MGR.tmp"_s};
    return suffixes;
}

const QStringList &compactSuffixes()
{
    static const QStringList suffixes{u".3G2"_s, u".MGR"_s};
    return suffixes;
}

bool isClearingTarget(const FileItem &item, const QStringList &suffixes)
{
    // A folder is the user's, never ours: the program creates none in the card folder.
    if (item.isNull() || (item.isFolder() && !item.isAlias()))
        return false;
    const QString name = item.name();
    for (const QString &suffix : suffixes) {
        if (name.endsWith(suffix))
            return true;
    }
    return false;
}

namespace {

// An immutable or append-only file or folder refuses deletion even to root; a file system
// without these flags has none of them.
bool refusesDeletion(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// Creates and removes a file of a name no run uses: the surest way to learn that the folder
// takes new files, whoever runs the program.
int probeNewFile(const FileItem &folder)
{
    const QByteArray probe = folder.posixBytes() + "/.songkite-write-check";
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? 0 : errno;
    ::close(fd);
    return ::unlink(probe.constData()) == 0 ? 0 : errno;
}

} // namespace

ClearingObstacle findClearingObstacle(const FileItem &folder, const QStringList &suffixes)
{
    struct statvfs fs {};
    if (::statvfs(folder.posixBytes().constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return {EROFS, folder};
    if (refusesDeletion(folder.posixBytes()))
        return {EPERM, folder};
    static const QRegularExpression mgrName(u"^SD_F_\\d{3}\\.MGR$"_s);
    const QList<FileItem> items = folder.entries();
    for (const FileItem &item : items) {
        if (isClearingTarget(item, suffixes)) {
            if (!item.isAlias() && refusesDeletion(item.posixBytes()))
                return {EPERM, item};
        } else if (item.isFolder() && mgrName.match(item.name()).hasMatch()) {
            return {EISDIR, item};
        }
    }
    if (const int err = probeNewFile(folder))
        return {err, folder};
    return {};
}

ClearingResult clearCardFolder(const FileItem &folder, const QStringList &suffixes,
                         const std::function<void()> &afterItem,
                         const std::function<int(const FileItem &)> &remove)
{
    ClearingResult result;
    // The names are taken once: deleting never shifts which entry is visited next.
    const QList<FileItem> items = folder.entries();
    for (const FileItem &item : items) {
        if (isClearingTarget(item, suffixes)) {
            const int err = remove ? remove(item) : item.remove();
            if (err == 0) {
                ++result.deleted;
            } else {
                result.kept.append(item);
                if (result.firstError == 0)
                    result.firstError = err;
            }
        }
        if (afterItem)
            afterItem();
    }
    return result;
}

} // namespace CardFormat
