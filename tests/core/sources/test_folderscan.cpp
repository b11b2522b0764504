#include "core/platform/FileItem.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/FolderScan.h"
#include "core/sources/SourceRecord.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, qint64 bytes = 10)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(bytes));
}

QStringList column(const SongListModel &list, int c)
{
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.cell(r, c);
    return out;
}

} // namespace

class TestFolderScan final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_volumes = m_tmp->path() + u"/volumes"_s;
        QVERIFY(QDir().mkpath(m_volumes + u"/HD"_s));
        qputenv("SONGKITE_VOLUMES", m_volumes.toUtf8());
        preference::resetToInitial();
        RecentFolders::forget();
        m_list = std::make_unique<SongListModel>();
        m_props = SessionState{};
        m_record = std::make_unique<SourceRecord>();
        m_scan = std::make_unique<FolderScan>(m_list.get(), &m_props, m_record.get());
        m_recounts = 0;
        connect(m_scan.get(), &FolderScan::totalsNeedRecount, this, [this] { ++m_recounts; });
    }

    void cleanup()
    {
        m_scan.reset();
        m_record.reset();
        m_list.reset();
        Prompts::install(nullptr);
        RecentFolders::forget();
    }

    void scansArtistAlbumLayout()
    {
        const QString music = hd(u"Music"_s);
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s, 1234567);
        writeFile(music + u"/Band/Best/02 Outro.m4a"_s, 999);
        writeFile(music + u"/Band/Best/cover.jpg"_s);
        QSignalSpy busy(m_scan.get(), &FolderScan::busyChanged);

        scanAndWait(music);

        QCOMPARE(m_list->rowCount(), 2);
        QCOMPARE(column(*m_list, 0), (QStringList{u"1 "_s, u"2 "_s}));
        QCOMPARE(column(*m_list, 1), (QStringList{u"Intro"_s, u"Outro"_s}));
        QCOMPARE(column(*m_list, 2), (QStringList{u" Band"_s, u" Band"_s}));
        QCOMPARE(column(*m_list, 3), (QStringList{u" Best"_s, u" Best"_s}));
        QCOMPARE(column(*m_list, 4), (QStringList{u"1,235 KB "_s, u"1 KB "_s}));
        QCOMPARE(column(*m_list, 5),
                 (QStringList{u"HD:Music:Band:Best:01 Intro.m4a"_s, u"HD:Music:Band:Best:02 Outro.m4a"_s}));
        QCOMPARE(column(*m_list, 6), (QStringList{u"HD:Music:"_s, u"HD:Music:"_s}));
        QVERIFY(m_list->isChecked(0) && m_list->isChecked(1));
        QCOMPARE(m_props.nextFileNumber, 3);
        QCOMPARE(m_record->label(), u"HD:Music:"_s);
        QCOMPARE(m_record->rows(), (QStringList{u"HD:Music:"_s, QString()}));
        QCOMPARE(m_recounts, 1);
        QCOMPARE(busy.size(), 2);
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
    }

    void scanningTwiceAddsEverythingTwice()
    {
        const QString music = hd(u"Music"_s);
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s);
        // Both scans asked for at once: the second waits for the first.
        m_scan->scanMusicFolder(FileItem(music));
        m_scan->scanMusicFolder(FileItem(music));
        QTRY_VERIFY(!m_scan->isBusy());
        QCOMPARE(column(*m_list, 0), (QStringList{u"1 "_s, u"2 "_s}));
        QCOMPARE(m_record->rows(), (QStringList{u"HD:Music:"_s, u"HD:Music:"_s, QString()}));
        QCOMPARE(m_recounts, 2);
    }

    void titlesFollowTheNameRule_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("track") << u"01 Intro.m4a"_s << u"Intro"_s;
        QTest::newRow("disc-track") << u"1-07 Song.m4a"_s << u"Song"_s;
        QTest::newRow("track then disc-track") << u"01 2-03 x.m4a"_s << u"x"_s;
        QTest::newRow("99 is above 98") << u"99 Red.m4a"_s << u"99 Red"_s;
        QTest::newRow("disc 9 is above 8") << u"9-12 x.m4a"_s << u"9-12 x"_s;
        QTest::newRow("no blank after the number") << u"07-Song.m4a"_s << u"07-Song"_s;
        QTest::newRow("no number") << u"Song.m4a"_s << u"Song"_s;
        QTest::newRow("upper-case extension") << u"03 Loud.M4A"_s << u"Loud"_s;
        QTest::newRow("日本語") << u"05 夜明け.m4a"_s << u"夜明け"_s;
    }
    void titlesFollowTheNameRule()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        writeFile(hd(u"Music/Band/Best/"_s + file));
        scanAndWait(hd(u"Music"_s));
        QCOMPARE(m_list->rowCount(), 1);
        QCOMPARE(m_list->cell(0, 1), title);
        QCOMPARE(m_list->cell(0, 2), u" Band"_s);
        QCOMPARE(m_list->cell(0, 3), u" Best"_s);
    }

    void walksDepthFirstInListingOrder()
    {
        const QString music = hd(u"Music"_s);
        writeFile(music + u"/a.m4a"_s);
        writeFile(music + u"/B/b1.m4a"_s);
        writeFile(music + u"/B/C/c.m4a"_s);
        writeFile(music + u"/B/b2.m4a"_s);
        writeFile(music + u"/d.m4a"_s);
        QVERIFY(QDir().mkpath(music + u"/folder.m4a/inner"_s)); // a folder, whatever its name
        writeFile(music + u"/folder.m4a/inner/e.m4a"_s);
        writeFile(music + u"/notes.txt"_s);
        scanAndWait(music);
        QCOMPARE(column(*m_list, 1),
                 (QStringList{u"c"_s, u"b1"_s, u"b2"_s, u"a"_s, u"d"_s, u"e"_s}));
        // A file right in the scanned folder: its album is that folder, its artist the one above.
        QCOMPARE(m_list->cell(3, 3), u" Music"_s);
        QCOMPARE(m_list->cell(3, 2), u" HD"_s);
    }

    void neverEntersLinkedFolders()
    {
        const QString music = hd(u"Music"_s);
        writeFile(hd(u"Elsewhere/Band/Best/01 Far.m4a"_s));
        writeFile(music + u"/Band/Best/01 Near.m4a"_s);
        QVERIFY(QFile::link(hd(u"Elsewhere"_s), music + u"/Linked"_s));
        // A link to a song file is a song; a dangling link is nothing.
        QVERIFY(QFile::link(hd(u"Elsewhere/Band/Best/01 Far.m4a"_s), music + u"/Band/Best/02 Alias.m4a"_s));
        QVERIFY(QFile::link(hd(u"gone.m4a"_s), music + u"/Band/Best/03 Gone.m4a"_s));
        scanAndWait(music);
        QCOMPARE(column(*m_list, 1), (QStringList{u"Near"_s, u"Alias"_s}));
        QCOMPARE(m_list->cell(1, 4), u"0 KB "_s);
    }

    void fileInTheVolumeRootHasNoArtist()
    {
        writeFile(hd(u"top.m4a"_s));
        scanAndWait(hd(QString()));
        QCOMPARE(m_list->rowCount(), 1);
        QCOMPARE(m_list->cell(0, 3), u" HD"_s);
        QCOMPARE(m_list->cell(0, 2), u" "_s);
        QCOMPARE(m_list->cell(0, 5), u"HD:top.m4a"_s);
        QCOMPARE(m_list->cell(0, 6), u"HD:"_s);
    }

    void emptyFolderStillBecomesTheSource()
    {
        QVERIFY(QDir().mkpath(hd(u"Empty"_s)));
        scanAndWait(hd(u"Empty"_s));
        QCOMPARE(m_list->rowCount(), 0);
        QCOMPARE(m_record->label(), u"HD:Empty:"_s);
        QCOMPARE(m_recounts, 1);
    }

    void cancelledChooserOnlyClosesThePopup()
    {
        auto *prompts = new ScriptedPrompts;
        Prompts::install(std::unique_ptr<Prompts>(prompts));
        QSignalSpy songListNeeded(m_scan.get(), &FolderScan::songListNeeded);
        openArmedPopupWithTwoSources();
        m_scan->chooseMusicFolder();
        QVERIFY(!m_record->isVisible());
        QVERIFY(!m_scan->isBusy());
        QCOMPARE(songListNeeded.count(), 0);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.at(0).kind, ScriptedPrompts::Shown::Kind::Folder);

        writeFile(hd(u"Music/Band/Best/01 Intro.m4a"_s));
        prompts->folders << hd(u"Music"_s);
        m_scan->chooseMusicFolder();
        QTRY_VERIFY(!m_scan->isBusy());
        QCOMPARE(songListNeeded.count(), 1);
        QCOMPARE(m_list->cell(m_list->rowCount() - 1, 1), u"Intro"_s);
    }

    void chooserOpensAtTheLastMusicFolder()
    {
        const QString home = m_tmp->path() + u"/home"_s;
        QVERIFY(QDir().mkpath(home));
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", savedHome);
            qputenv("XDG_CONFIG_HOME", savedConfig);
        });
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + u"/.config"_s));
        auto *prompts = new ScriptedPrompts;
        Prompts::install(std::unique_ptr<Prompts>(prompts));

        m_scan->chooseMusicFolder(); // no music folder on this desktop: the home folder
        QVERIFY(QDir().mkpath(home + u"/Music"_s));
        m_scan->chooseMusicFolder(); // the desktop's music folder
        writeFile(hd(u"Songs/Band/Best/01 Intro.m4a"_s));
        prompts->folders << hd(u"Songs/Band"_s);
        m_scan->chooseMusicFolder();
        QTRY_VERIFY(!m_scan->isBusy());
        m_scan->chooseMusicFolder(); // where the last one was chosen
        // A folder scanned from a drop counts as well.
        writeFile(hd(u"Dropped/02 Two.m4a"_s));
        m_scan->drop({FileItem(hd(u"Dropped"_s))}, false);
        QTRY_VERIFY(!m_scan->isBusy());
        m_scan->chooseMusicFolder();
        // Gone since: the desktop's music folder again.
        QVERIFY(QDir(hd(u"Dropped"_s)).removeRecursively());
        m_scan->chooseMusicFolder();

        QCOMPARE(prompts->startFolders, (QStringList{home, home + u"/Music"_s, home + u"/Music"_s,
                                                     hd(u"Songs/Band"_s), hd(u"Dropped"_s), home + u"/Music"_s}));
    }

    void dropsAddFoldersAndSongsInOrder()
    {
        writeFile(hd(u"Drop/Band/Best/01 One.m4a"_s));
        writeFile(hd(u"Loose/Artist/Album/02 Two.M4a"_s), 4321987);
        writeFile(hd(u"Loose/Artist/Album/readme.txt"_s));
        QSignalSpy busy(m_scan.get(), &FolderScan::busyChanged);
        m_scan->drop({FileItem(hd(u"Loose/Artist/Album/02 Two.M4a"_s)), FileItem(hd(u"Loose/Artist/Album/readme.txt"_s)),
                      FileItem(hd(u"Drop"_s))},
                     false);
        QTRY_VERIFY(!m_scan->isBusy());
        QCOMPARE(column(*m_list, 1), (QStringList{u"Two"_s, u"One"_s}));
        // The loose song came before any source was recorded: its source is empty.
        QCOMPARE(column(*m_list, 6), (QStringList{QString(), u"HD:Drop:"_s}));
        QCOMPARE(m_list->cell(0, 2), u" Artist"_s);
        QCOMPARE(m_list->cell(0, 4), u"4,322 KB "_s);
        QCOMPARE(m_list->cell(0, 5), u"HD:Loose:Artist:Album:02 Two.M4a"_s);
        QCOMPARE(m_record->rows(), (QStringList{u"HD:Drop:"_s, QString()}));
        QCOMPARE(m_recounts, 2); // after the folder, and after the drop
        QCOMPARE(busy.size(), 2);
    }

    void droppedSongKeepsLabelAndPopup()
    {
        writeFile(hd(u"Music/Band/Best/01 Intro.m4a"_s));
        writeFile(hd(u"Other/X/Y/05 Five.m4a"_s));
        scanAndWait(hd(u"Music"_s));
        m_scan->drop({FileItem(hd(u"Other/X/Y/05 Five.m4a"_s))}, false);
        QTRY_VERIFY(!m_scan->isBusy());
        QCOMPARE(m_list->cell(1, 6), u"HD:Music:"_s);
        QCOMPARE(m_list->cell(1, 0), u"2 "_s);
        QCOMPARE(m_record->label(), u"HD:Music:"_s);
        QCOMPARE(m_record->rows().size(), 2);
    }

    void dropsIgnoredInCardListingOrWhenEmpty()
    {
        writeFile(hd(u"Drop/01 One.m4a"_s));
        QSignalSpy busy(m_scan.get(), &FolderScan::busyChanged);
        m_scan->drop({FileItem(hd(u"Drop"_s))}, true);
        m_scan->drop({}, false);
        QVERIFY(!m_scan->isBusy());
        QTest::qWait(20);
        QCOMPARE(m_list->rowCount(), 0);
        QCOMPARE(busy.size(), 0);
        QCOMPARE(m_recounts, 0);
    }

    void popupOpensArmsAndCloses()
    {
        QSignalSpy hidden(m_record.get(), &SourceRecord::hideRequested);
        m_record->addSource(u"A"_s);
        m_record->open(); // the empty row and one source: stays closed
        QVERIFY(!m_record->isVisible());
        m_record->addSource(u"B"_s);
        m_record->open();
        QVERIFY(m_record->isVisible());
        QVERIFY(!m_record->isArmed());
        QCOMPARE(m_record->selectionChanges, 1);
        QCOMPARE(m_record->label(), u"B"_s); // row 0, picked "last" at start
        m_record->hide();
        QVERIFY(m_record->isVisible());
        QVERIFY(m_record->isArmed());
        QCOMPARE(hidden.size(), 0);
        m_record->open(); // armed: a click in the box does nothing
        QVERIFY(m_record->isArmed());
        m_record->hide();
        QVERIFY(!m_record->isVisible());
        QVERIFY(!m_record->isArmed());
        QCOMPARE(hidden.size(), 1);
        m_record->hide(); // closed: nothing
        QCOMPARE(hidden.size(), 1);
        QVERIFY(!m_record->isArmed());
    }

    void pickSelectsExactlyThatSourcesRows()
    {
        QItemSelectionModel selection(m_list.get());
        m_record->setSongList(m_list.get(), &selection);
        for (const QString &source : {u"A"_s, u"B"_s, u"A"_s, u"A "_s, QString(), u"A"_s})
            m_list->appendRow(SongRow::make(u"1 "_s, u"t"_s, u"x"_s, u"y"_s, 1000, u"V:t.m4a"_s, source));
        m_record->addSource(u"A"_s);
        m_record->addSource(u"B"_s);
        selection.select(m_list->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        m_record->open();
        QVERIFY(selection.isRowSelected(1)); // opening picks nothing in the song list
        m_record->rowChanged(1); // the user picks "A"
        QCOMPARE(m_record->label(), u"A"_s);
        QCOMPARE(m_record->pickedRow, 1);
        QList<int> rows;
        for (int r = 0; r < m_list->rowCount(); ++r)
            if (selection.isRowSelected(r))
                rows << r;
        QCOMPARE(rows, (QList<int>{0, 2, 5}));
        QVERIFY(m_record->isVisible()); // the first pick arms the popup
        QVERIFY(m_record->isArmed());

        m_record->rowChanged(0); // the next pick closes it
        QVERIFY(!m_record->isVisible());
        QVERIFY(selection.isRowSelected(1));
        QVERIFY(!selection.isRowSelected(0));

        m_record->open(); // reopens on the row picked last
        QCOMPARE(m_record->label(), u"B"_s);
        QCOMPARE(m_record->currentRow(), 0);
    }

    void clearLeavesOneEmptyRow()
    {
        m_record->addSource(u"A"_s);
        m_record->addSource(u"B"_s);
        m_record->open();
        m_record->hide();
        m_record->clear();
        QCOMPARE(m_record->rows(), QStringList{QString()});
        QCOMPARE(m_record->label(), QString());
        QVERIFY(!m_record->isVisible());
        QCOMPARE(m_record->pickedRow, 0);
    }

    void popupAndShadowPlaces()
    {
        const QRect popup = SourceRecord::popupGeometry(QRect(90, 7, 115, 25));
        QCOMPARE(popup, QRect(93, 27, 108, 120));
        QCOMPARE(SourceRecord::shadowGeometry(popup), QRect(95, 28, 108, 121));
    }

private:
    QString hd(const QString &rel) const { return rel.isEmpty() ? m_volumes + u"/HD"_s : m_volumes + u"/HD/"_s + rel; }

    void scanAndWait(const QString &folder)
    {
        m_scan->scanMusicFolder(FileItem(folder));
        QVERIFY(m_scan->isBusy());
        QTRY_VERIFY(!m_scan->isBusy());
    }

    void openArmedPopupWithTwoSources()
    {
        m_record->addSource(u"A"_s);
        m_record->addSource(u"B"_s);
        m_record->open();
        m_record->hide();
        QVERIFY(m_record->isVisible());
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_volumes;
    std::unique_ptr<SongListModel> m_list;
    SessionState m_props;
    std::unique_ptr<SourceRecord> m_record;
    std::unique_ptr<FolderScan> m_scan;
    int m_recounts = 0;
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "test_folderscan.moc"
