#include "core/transfer/CardClearing.h"

using namespace Qt::StringLiterals;

namespace CardFormat {

const QStringList &replaceAllSuffixes()
{
    static const QStringList suffixes{u".3G2"_s, u".3G2.tmp"_s, u".MGR"_s};
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
