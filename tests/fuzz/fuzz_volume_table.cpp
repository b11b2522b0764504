// The volume table's inputs: /proc/self/mountinfo text and udev's label names. Any text must
// give well-formed mounts, volumes with unique names, and colon paths that lead back to the
// POSIX paths they came from.

#include "FuzzSupport.h"

#include "core/platform/ColonPath.h"
#include "core/platform/VolumeTable.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzz::bytesOf(data, size);

    const QList<MountEntry> mounts = VolumeTable::parseMountInfo(text);
    for (const MountEntry &m : mounts)
        fuzz::expect(m.mountPoint.startsWith(QLatin1Char('/')), "a mount point is absolute");

    // The label of each mount from its source, spelled as udev spells a by-label entry.
    const QList<Volume> volumes = VolumeTable::volumesFromMounts(mounts, [](const MountEntry &m) {
        return VolumeTable::decodeUdevName(QFile::encodeName(m.source));
    });
    QSet<QString> names;
    for (const Volume &v : volumes) {
        fuzz::expect(!v.name.isEmpty(), "a volume has a name");
        fuzz::expect(!names.contains(v.name), "volume names are unique");
        names.insert(v.name);
    }
    VolumeTable::decodeUdevName(text);

    // A file under each volume whose name a colon path can carry comes back from its colon
    // path (the longest mount point that holds it decides, both ways).
    // A label holding "/" gives a volume name holding ":", which no colon path can carry;
    // such tables are left out here.
    for (const QString &name : std::as_const(names))
        if (name.contains(QLatin1Char(':')))
            return 0;
    const VolumeTable table(volumes);
    for (const Volume &v : volumes) {
        if (!ColonPath::split(v.name))
            continue;
        const QByteArray mountPoint = QFile::encodeName(v.mountPoint);
        if (ColonPath::cleanPosix(mountPoint) != mountPoint)
            continue;
        const QByteArray file = (mountPoint == "/" ? QByteArray() : mountPoint) + "/song.m4a";
        const QString colon = table.toColon(file);
        fuzz::expect(!colon.isEmpty(), "a file under a volume has a colon path");
        if (const std::optional<ColonPath::Parts> parts = ColonPath::split(colon); parts && names.contains(parts->volume)) {
            const std::optional<QByteArray> back = table.toPosix(colon);
            fuzz::expect(back && *back == file, "a colon path leads back to its file");
        }
    }
    return 0;
}
