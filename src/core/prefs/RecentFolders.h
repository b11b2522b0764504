#pragma once

// The folders the user last chose, so that each chooser opens where the previous one left
// off. Kept for the session only: nothing of it is saved with the preferences.

#include <QString>
#include <QStringList>

namespace RecentFolders {

/// The music folder last chosen or scanned; empty before the first.
QString musicFolder();
void rememberMusicFolder(const QString &posixPath);

/// The folder last chosen in either destination chooser; empty before the first.
QString destination();
void rememberDestination(const QString &posixPath);

/// Forgets both, as at start-up.
void forget();

/// The first of the POSIX paths that is an existing folder; empty when none is.
QString firstExistingFolder(const QStringList &candidates);

} // namespace RecentFolders
