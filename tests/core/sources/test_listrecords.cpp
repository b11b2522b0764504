#include "core/sources/ListRecords.h"
#include "core/sources/SongListFile.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A 25-field record: title, artist, mark, album, size and path where the formats keep them.
QStringList record(const QString &title, const QString &mark, const QString &size, const QString &path)
{
    QStringList f(SongListFile::kFields);
    f[0] = title;
    f[1] = u"Band"_s;
    f[2] = mark;
    f[3] = u"Best"_s;
    f[6] = size;
    f[24] = path;
    return f;
}
} // namespace

class TestListRecords : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        testsupport::useHermeticFolders(m_tmp.path());
        const QString music = m_tmp.path() + u"/volumes/Music/Album/"_s;
        QVERIFY(testsupport::writeFile(music + u"song.m4a"_s, "a"));
        QVERIFY(testsupport::writeFile(music + u"notes.txt"_s, "a"));
        QVERIFY(QDir().mkpath(music + u"folder.m4a"_s));
    }

    void ownRows_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("added");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("size");
        QTest::newRow("marked, file there") << record(u"Intro"_s, u"1"_s, u"9000"_s, u"Music:Album:song.m4a"_s)
                                            << true << true << u"9,000 KB "_s;
        QTest::newRow("unmarked, file there") << record(u"Intro"_s, u"0"_s, u"1235"_s, u"Music:Album:song.m4a"_s)
                                              << true << false << u"1,235 KB "_s;
        QTest::newRow("marked, file moved") << record(u"Intro"_s, u"1"_s, u"1"_s, u"Music:Album:gone.m4a"_s)
                                            << true << false << u"1 KB "_s;
        QTest::newRow("marked, unknown volume") << record(u"Intro"_s, u"1"_s, u"1"_s, u"Nowhere:song.m4a"_s)
                                                << true << false << u"1 KB "_s;
        QTest::newRow("marked, a folder of that name") << record(u"Intro"_s, u"1"_s, u"1"_s, u"Music:Album:folder.m4a"_s)
                                                       << true << false << u"1 KB "_s;
        QTest::newRow("marked, path in another letter case") << record(u"Intro"_s, u"1"_s, u"1"_s, u"Music:Album:SONG.m4a"_s)
                                                         << true << false << u"1 KB "_s;
        // A hand-edited size beyond any file must not wrap to a negative count.
        QTest::newRow("size beyond 64 bits") << record(u"Intro"_s, u"1"_s, u"99999999999999999999999"_s, u"Music:Album:song.m4a"_s)
                                             << true << true << u"9,223,372,036,854,775,807 KB "_s;
        QTest::newRow("negative size beyond 64 bits") << record(u"Intro"_s, u"0"_s, u"-99999999999999999999999"_s, u"Music:Album:song.m4a"_s)
                                                      << true << false << u"-9,223,372,036,854,775,807 KB "_s;
        QTest::newRow("no title: skipped") << record(QString(), u"1"_s, u"1"_s, u"Music:Album:song.m4a"_s)
                                           << false << false << QString();
        QTest::newRow("24 fields: skipped") << record(u"Intro"_s, u"1"_s, u"1"_s, u"Music:Album:song.m4a"_s).mid(1)
                                            << false << false << QString();
    }
    void ownRows()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, added);
        QFETCH(bool, checked);
        QFETCH(QString, size);
        const std::optional<SongRow> row = ListRecords::ownRow(fields, 7, u"mine"_s);
        QCOMPARE(row.has_value(), added);
        if (!row)
            return;
        QCOMPARE(row->checked, checked);
        QCOMPARE(row->cells, (std::array<QString, 7>{u"7"_s, u"Intro"_s, u" Band"_s, u" Best"_s, size, fields[24], u"mine"_s}));
    }

    void exportRows_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("size");
        QTest::newRow("a song: size in bytes") << record(u"Intro"_s, QString(), u"9000"_s, u"Music:Album:song.m4a"_s)
                                               << true << u"9 KB "_s;
        QTest::newRow("large") << record(u"Intro"_s, QString(), u"4567890"_s, u"Music:Album:song.m4a"_s)
                               << true << u"4,568 KB "_s;
        QTest::newRow("size beyond 64 bits") << record(u"Intro"_s, QString(), u"1"_s + QString(400, u'0'), u"Music:Album:song.m4a"_s)
                                             << true << u"9,223,372,036,854,775,807 KB "_s;
        QTest::newRow("missing file") << record(u"Intro"_s, QString(), u"1"_s, u"Music:Album:gone.m4a"_s) << false << QString();
        QTest::newRow("not a song") << record(u"Intro"_s, QString(), u"1"_s, u"Music:Album:notes.txt"_s) << false << QString();
        QTest::newRow("a folder") << record(u"Intro"_s, QString(), u"1"_s, u"Music:Album:folder.m4a"_s) << false << QString();
        QTest::newRow("column titles") << record(u"名前"_s, QString(), u"サイズ"_s, u"場所"_s) << false << QString();
    }
    void exportRows()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, added);
        QFETCH(QString, size);
        const std::optional<SongRow> row = ListRecords::exportRow(fields, 12, u"export"_s);
        QCOMPARE(row.has_value(), added);
        if (!row)
            return;
        QVERIFY(row->checked);
        QCOMPARE(row->cells, (std::array<QString, 7>{u"12"_s, u"Intro"_s, u" Band"_s, u" Best"_s, size, fields[24], u"export"_s}));
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_GUILESS_MAIN(TestListRecords)
#include "test_listrecords.moc"
