#include "core/prefs/RecentFolders.h"

#include <QFileInfo>

namespace RecentFolders {

namespace {
QString s_musicFolder;
QString s_destination;
} // namespace

QString musicFolder() { return s_musicFolder; }

void rememberMusicFolder(const QString &posixPath) { s_musicFolder = posixPath; }

QString destination() { return s_destination; }

void rememberDestination(const QString &posixPath) { s_destination = posixPath; }

void forget()
{
    s_musicFolder.clear();
    s_destination.clear();
}

QString firstExistingFolder(const QStringList &candidates)
{
    for (const QString &path : candidates) {
        // A folder remembered on a card that has since gone is passed over.
        if (!path.isEmpty() && QFileInfo(path).isDir())
            return path;
    }
    return {};
}

} // namespace RecentFolders
