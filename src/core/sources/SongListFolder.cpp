#include "core/sources/SongListFolder.h"

#include "core/platform/FileItem.h"

#include <QHash>
#include <QSet>

using namespace Qt::StringLiterals;

namespace SongListFolder {

namespace {

const QString kExport = u".txt"_s;
const QString kOwn = u".list"_s;

bool endsWith(const QString &name, const QString &extension)
{
    return name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive);
}

QString withoutExtension(const QString &name, const QString &extension)
{
    return name.left(name.size() - extension.size());
}

} // namespace

QString dateText(const QDateTime &time)
{
    // A fixed numeric form: the column is narrow, and the interface is Japanese whatever
    // the locale says.
    return time.toString(u"yy/MM/dd HH:mm"_s);
}

Listing lists(const QString &listFolder, const QString &lastSelected)
{
    Listing listing;
    const QList<FileItem> entries = FileItem(listFolder).entries();
    // Names of the export lists, so that an own list of the same name can step aside.
    QSet<QString> exportNames;
    for (const FileItem &item : entries) {
        const QString name = item.name();
        if (endsWith(name, kExport))
            exportNames.insert(withoutExtension(name, kExport));
    }
    for (const FileItem &item : entries) {
        if (item.isFolder())
            continue;
        const QString fileName = item.name();
        QString shown;
        if (endsWith(fileName, kExport))
            shown = withoutExtension(fileName, kExport);
        else if (endsWith(fileName, kOwn) && !exportNames.contains(withoutExtension(fileName, kOwn)))
            shown = withoutExtension(fileName, kOwn);
        else
            continue;
        if (fileName == lastSelected)
            listing.preselected = int(listing.entries.size());
        listing.entries.append({shown, dateText(item.modificationTime()), fileName});
    }
    return listing;
}

SaveCheck checkSaveName(const QString &listFolder, const QString &name)
{
    if (name.contains(u':') || name.contains(u'/') || name.contains(u'\\'))
        return SaveCheck::Refused;
    if (name.isEmpty())
        return SaveCheck::Empty;
    const FileItem folder(listFolder);
    if (folder.child(name + kExport).exists())
        return SaveCheck::ExportExists;
    if (folder.child(name + kOwn).exists())
        return SaveCheck::OwnExists;
    return SaveCheck::Free;
}

QString overwriteQuestion(const QString &fileName) { return fileName + u"は既に存在します。上書きしますか？"_s; }

} // namespace SongListFolder
