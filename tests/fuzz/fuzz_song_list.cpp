// Song-list files: the music library's exports (Mac Japanese or Unicode with a mark) and
// the program's own lists (UTF-8). Every record becomes a row or nothing, whatever its
// fields hold, and only a song that is there comes in checked.

#include "FuzzSupport.h"

#include "core/platform/TextCodec.h"
#include "core/sources/ListRecords.h"
#include "core/sources/SongListFile.h"

#include <QDir>

namespace {

// One volume "Vol" holding a song and a folder, so that records can name files that exist.
void makeVolumes()
{
    static bool made = false;
    if (made)
        return;
    made = true;
    const QString volumes = fuzz::scratchFolder() + QStringLiteral("/volumes");
    fuzz::expect(QDir().mkpath(volumes + QStringLiteral("/Vol/Artist/Album.m4a")), "the volume folder is made");
    fuzz::writeFile(volumes + QStringLiteral("/Vol/Artist/01 Song.m4a"), QByteArray(10, '\0'));
    qputenv("SONGKITE_VOLUMES", QFile::encodeName(volumes));
}

void expectRow(const SongRow &row)
{
    fuzz::expect(row.cells[SongRow::Size].endsWith(QStringLiteral(" KB ")), "a size cell reads as kilobytes");
    fuzz::expect(!row.cells[SongRow::Size].startsWith(QLatin1Char('-'))
                     || row.cells[SongRow::Size].at(1).isDigit(),
                 "a size cell is a number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    makeVolumes();
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString source = QStringLiteral("list");

    const QString exported = TextCodec::decodeExportedList(bytes);
    int number = 1;
    for (const QStringList &fields : SongListFile::records(exported)) {
        fuzz::expect(fields.size() == SongListFile::kFields, "a record has 25 fields");
        if (const std::optional<SongRow> row = ListRecords::exportRow(fields, number++, source)) {
            fuzz::expect(row->checked, "an exported song that is there comes in checked");
            expectRow(*row);
        }
    }

    for (const QStringList &fields : SongListFile::records(QString::fromUtf8(bytes))) {
        fuzz::expect(fields.size() == SongListFile::kFields, "a record has 25 fields");
        if (const std::optional<SongRow> row = ListRecords::ownRow(fields, number++, source)) {
            fuzz::expect(!row->checked || fields[2] == QStringLiteral("1"), "only a checked record comes in checked");
            fuzz::expect(!row->cells[SongRow::Title].isEmpty(), "a row has a title");
            expectRow(*row);
            // Written back, the row reads as one record of its own again.
            const QList<QStringList> again = SongListFile::records(SongListFile::ownRecord(*row));
            fuzz::expect(again.size() == 1, "a row writes back as one record");
        }
    }
    return 0;
}
