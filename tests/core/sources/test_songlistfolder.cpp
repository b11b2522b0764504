#include "core/sources/SongListFolder.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSongListFolder : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void listsTheOffer_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("lastSelected");
        QTest::addColumn<QStringList>("shown");      // name=fileName per row
        QTest::addColumn<int>("preselected");
        QTest::newRow("a.txt hides a.list, b.list stays")
            << QStringList{u"a.list"_s, u"a.txt"_s, u"b.list"_s} << u"b.list"_s
            << QStringList{u"a=a.txt"_s, u"b=b.list"_s} << 1;
        QTest::newRow("other files, auto lists and the default list are not offered")
            << QStringList{u"musiclist.default"_s, u"x.atxt"_s, u"y.stxt"_s, u"notes.md"_s, u".txt"_s, u"曲.txt"_s}
            << QString() << QStringList{u"曲=曲.txt"_s} << -1;
        QTest::newRow("extensions in any case")
            << QStringList{u"A.TXT"_s, u"B.List"_s} << u"A.TXT"_s << QStringList{u"A=A.TXT"_s, u"B=B.List"_s} << 0;
        QTest::newRow("the last selection is gone") << QStringList{u"a.txt"_s} << u"z.list"_s
                                                    << QStringList{u"a=a.txt"_s} << -1;
        QTest::newRow("an empty folder") << QStringList{} << QString() << QStringList{} << -1;
    }
    void listsTheOffer()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, lastSelected);
        QFETCH(QStringList, shown);
        QFETCH(int, preselected);
        for (const QString &f : files)
            QVERIFY(testsupport::writeFile(m_tmp->filePath(f), "x"));
        QVERIFY(QDir().mkpath(m_tmp->filePath(u"folder.txt"_s + u"d"_s)));
        QVERIFY(QDir().mkpath(m_tmp->filePath(u"sub.txt"_s)));

        const SongListFolder::Listing listing = SongListFolder::lists(m_tmp->path(), lastSelected);
        QStringList got;
        for (const SongListFolder::Entry &e : listing.entries)
            got << e.name + u'=' + e.fileName;
        QCOMPARE(got, shown);
        QCOMPARE(listing.preselected, preselected);
    }

    void eachRowKeepsItsOwnDate()
    {
        // The skipped a.list must not lend its date to a.
        QVERIFY(testsupport::writeFile(m_tmp->filePath(u"a.txt"_s), "x"));
        QVERIFY(testsupport::writeFile(m_tmp->filePath(u"a.list"_s), "x"));
        QVERIFY(testsupport::writeFile(m_tmp->filePath(u"b.list"_s), "x"));
        const QDateTime aTime(QDate(2024, 3, 5), QTime(9, 7));
        const QDateTime skippedTime(QDate(2019, 1, 2), QTime(23, 59));
        const QDateTime bTime(QDate(2025, 12, 31), QTime(18, 30));
        auto stamp = [this](const QString &name, const QDateTime &t) {
            QFile f(m_tmp->filePath(name));
            return f.open(QIODevice::ReadWrite) && f.setFileTime(t, QFileDevice::FileModificationTime);
        };
        QVERIFY(stamp(u"a.txt"_s, aTime));
        QVERIFY(stamp(u"a.list"_s, skippedTime));
        QVERIFY(stamp(u"b.list"_s, bTime));

        const SongListFolder::Listing listing = SongListFolder::lists(m_tmp->path(), QString());
        QCOMPARE(listing.entries.size(), 2);
        QCOMPARE(listing.entries[0].dateText, SongListFolder::dateText(aTime));
        QCOMPARE(listing.entries[1].dateText, SongListFolder::dateText(bTime));
        QVERIFY(listing.entries[0].dateText != listing.entries[1].dateText);
    }

    void saveNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected");
        using C = SongListFolder::SaveCheck;
        QTest::newRow("free") << u"new"_s << int(C::Free);
        QTest::newRow("empty") << QString() << int(C::Empty);
        QTest::newRow("a slash") << u"a/b"_s << int(C::Refused);
        QTest::newRow("a colon") << u"a:b"_s << int(C::Refused);
        QTest::newRow("a backslash") << u"a\\b"_s << int(C::Refused);
        QTest::newRow("an export list of that name") << u"mix"_s << int(C::ExportExists);
        QTest::newRow("an own list of that name") << u"mine"_s << int(C::OwnExists);
        QTest::newRow("both: the export list asks first") << u"both"_s << int(C::ExportExists);
        QTest::newRow("an auto list is no list to overwrite") << u"auto"_s << int(C::Free);
    }
    void saveNames()
    {
        QFETCH(QString, name);
        QFETCH(int, expected);
        for (const char *f : {"mix.txt", "mine.list", "both.txt", "both.list", "auto.atxt"})
            QVERIFY(testsupport::writeFile(m_tmp->filePath(QString::fromLatin1(f)), "x"));
        QCOMPARE(int(SongListFolder::checkSaveName(m_tmp->path(), name)), expected);
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
};

QTEST_GUILESS_MAIN(TestSongListFolder)
#include "test_songlistfolder.moc"
