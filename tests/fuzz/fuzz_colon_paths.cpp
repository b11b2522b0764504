// Colon paths and on-disk names: song lists, script answers and the file system hand in
// any text or bytes. Conversions must round-trip exactly and a colon path that splits must
// never leave its volume.

#include "FuzzSupport.h"

#include "core/platform/ColonPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);

    // A name on disk, as bytes, keeps exactly its bytes through its colon form.
    const QString colonName = ColonPath::nameFromDisk(bytes);
    fuzz::expect(ColonPath::nameToDisk(colonName) == bytes, "a name on disk round-trips exactly");
    if (!bytes.contains('/'))
        fuzz::expect(!colonName.contains(QLatin1Char(':')), "a colon-form name holds no separator");
    if (!bytes.isEmpty() && !bytes.contains('/') && !bytes.contains('\0') && bytes != "." && bytes != "..")
        fuzz::expect(ColonPath::isValidName(colonName), "every name a folder can hold is a valid colon name");

    // The text forms are each other's inverse.
    fuzz::expect(ColonPath::nameToPosix(ColonPath::nameToColon(text)) == text, "nameToColon round-trips");
    fuzz::expect(ColonPath::nameToColon(ColonPath::nameToPosix(text)) == text, "nameToPosix round-trips");

    // A valid colon name comes back from the disk form it stands for.
    if (ColonPath::isValidName(text))
        fuzz::expect(ColonPath::nameFromDisk(ColonPath::nameToDisk(text)) == text, "a valid name round-trips through the disk");

    for (const QString &path : {text, QString::fromUtf8(bytes)}) {
        const std::optional<ColonPath::Parts> parts = ColonPath::split(path);
        if (!parts)
            continue;
        fuzz::expect(!parts->volume.isEmpty(), "a split path names its volume");
        for (const QString &name : parts->names) {
            fuzz::expect(ColonPath::isValidName(name), "every name of a split path is valid");
            fuzz::expect(name != QStringLiteral(".") && name != QStringLiteral(".."), "a split path cannot leave its volume");
        }
        const QString joined = ColonPath::join(parts->volume, parts->names, parts->trailingColon);
        const std::optional<ColonPath::Parts> again = ColonPath::split(joined);
        fuzz::expect(again.has_value(), "a joined path splits");
        fuzz::expect(again->volume == parts->volume && again->names == parts->names, "split and join round-trip");
        fuzz::expect(joined == path || joined == path + QLatin1Char(':'), "join gives the path back");
    }

    // Cleaning never climbs above the root and is idempotent.
    QByteArray absolute = bytes;
    absolute.replace('\0', 'x');
    absolute.prepend('/');
    const QByteArray clean = ColonPath::cleanPosix(absolute);
    fuzz::expect(clean.startsWith('/'), "a clean path is absolute");
    fuzz::expect(!clean.contains("//") && !clean.contains("/../") && !clean.endsWith("/.."), "a clean path has no empty or parent names");
    fuzz::expect(ColonPath::cleanPosix(clean) == clean, "cleaning twice changes nothing");
    return 0;
}
