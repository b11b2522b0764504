#include "core/sources/ListRecords.h"

#include "core/platform/ColonPathResolver.h"
#include "core/platform/FileItem.h"
#include "core/platform/NumberText.h"
#include "core/sources/SongListFile.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace ListRecords {

namespace {

SongRow rowOf(const QStringList &f, int number, const QString &source)
{
    SongRow row;
    row.cells[SongRow::Number] = QString::number(number);
    row.cells[SongRow::Title] = f[0];
    row.cells[SongRow::Artist] = u' ' + f[1];
    row.cells[SongRow::Album] = u' ' + f[3];
    row.cells[SongRow::Path] = f[24];
    row.cells[SongRow::Source] = source;
    return row;
}

} // namespace

std::optional<SongRow> exportRow(const QStringList &f, int number, const QString &source)
{
    if (f.size() != SongListFile::kFields)
        return std::nullopt;
    const FileItem song = FileItem::fromColonPath(f[24]);
    if (song.isNull() || !song.exists() || song.isFolder() || !song.name().endsWith(u".m4a"_s, Qt::CaseInsensitive))
        return std::nullopt;
    SongRow row = rowOf(f, number, source);
    row.cells[SongRow::Size] = SongSize::formatWholeKB(SongSize::roundedKB(NumberText::readsAs(f[6]) / 1000.0));
    row.checked = true;
    return row;
}

std::optional<SongRow> ownRow(const QStringList &f, int number, const QString &source)
{
    if (f.size() != SongListFile::kFields || f[0].isEmpty())
        return std::nullopt;
    const FileItem song = ColonPathResolver::resolveLiterally(f[24]);
    const QString lastName = f[24].mid(f[24].lastIndexOf(u':') + 1);
    const bool there = !song.isNull() && song.exists() && !song.isFolder() && song.name() == lastName;
    SongRow row = rowOf(f, number, source);
    row.cells[SongRow::Size] = SongSize::formatWholeKB(SongSize::roundedKB(NumberText::readsAs(f[6])));
    row.checked = f[2] == u"1"_s && there;
    return row;
}

} // namespace ListRecords
