#include "core/library/LibraryBridge.h"
#include "core/destination/CardFolder.h"
#include "core/destination/Destination.h"
#include "core/platform/FileItem.h"
#include "core/platform/ColonPathResolver.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SessionState.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, qint64 bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(bytes));
}

const QString kNoCard = u"miniSD　が見つかりません"_s;
const QString kNoFolder = u"ｻｳﾝﾄﾞﾌｫﾙﾀﾞが見つかりません"_s;

} // namespace

class TestDestination final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_volumes = m_tmp->path() + u"/volumes"_s;
        m_scripts = m_tmp->path() + u"/scripts"_s;
        QVERIFY(QDir().mkpath(m_volumes + u"/HD"_s));
        QVERIFY(QDir().mkpath(m_scripts));
        QVERIFY(QDir().mkpath(m_tmp->path() + u"/home"_s));
        qputenv("SONGKITE_VOLUMES", m_volumes.toUtf8());
        qputenv("SONGKITE_HOME", (m_tmp->path() + u"/home"_s).toUtf8());
        preference::resetToInitial();
        preference::cardVolumeName = u"NO NAME"_s;
        preference::cardFolderPath = u":PRIVATE:AU:DF:D_SD:"_s;
        RecentFolders::forget();
        m_props = SessionState{};
        m_bridge = std::make_unique<LibraryBridge>(m_scripts);
        m_dest = std::make_unique<Destination>(&m_props);
        m_dest->setBridge(m_bridge.get());
        m_prompts = new ScriptedPrompts;
        Prompts::install(std::unique_ptr<Prompts>(m_prompts));
    }

    void cleanup()
    {
        m_dest.reset();
        Prompts::install(nullptr);
    }

    void capacityOfACardWithTwoThousandFiles()
    {
        makeCard();
        for (int i = 0; i < 2000; ++i)
            writeFile(card() + u"/SDS_%1.3G2"_s.arg(i, 4, 10, QChar(u'0')), 1500);
        setVolumeInfo(u"123.4567,1000,true"_s);
        QSignalSpy checked(m_dest.get(), &Destination::cardCheckedChanged);

        m_dest->searchCard();

        QCOMPARE(m_props.diskFreeSpace, 123456);
        QCOMPARE(m_props.diskCapacity, 1000000);
        QVERIFY(m_props.diskEjectable);
        QCOMPARE(m_props.destinationSizeKB, 2000);
        QCOMPARE(m_props.destinationFolder, FileItem(card()));
        QCOMPARE(m_props.cardMusicFolder, FileItem(card()));
        QVERIFY(m_dest->cardChecked());
        QCOMPARE(checked.size(), 1);
        QCOMPARE(m_dest->destinationText(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s);
        QCOMPARE(m_dest->capacityText(), u"転送可能領域  125.46 MB (2.00 MB 在 + 123.46 MB 空き)"_s);

        m_dest->showCapacity();
        QCOMPARE(m_dest->capacityText(), u"転送可能領域  125.46 MB (2.00 MB 在 + 123.46 MB 空き)"_s);
    }

    void folderSizeTruncatesEachAddition_data()
    {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<qint64>("kilobytes");
        QTest::newRow("three of 999 bytes") << QList<qint64>{999, 999, 999} << qint64(0);
        QTest::newRow("1500 twice") << QList<qint64>{1500, 1500} << qint64(2);
        QTest::newRow("whole kilobytes") << QList<qint64>{4000, 1000} << qint64(5);
        QTest::newRow("empty folder") << QList<qint64>{} << qint64(0);
    }
    void folderSizeTruncatesEachAddition()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(qint64, kilobytes);
        const QString dir = m_volumes + u"/HD/f"_s;
        QVERIFY(QDir().mkpath(dir));
        for (int i = 0; i < sizes.size(); ++i)
            writeFile(dir + u"/%1"_s.arg(i), sizes.at(i));
        QVERIFY(QDir().mkpath(dir + u"/sub/deeper"_s)); // only items directly inside count
        writeFile(dir + u"/sub/big"_s, 50000);
        QCOMPARE(Destination::folderSize(FileItem(dir)), kilobytes);
    }

    void folderSizeOfAFileIsMinusOne()
    {
        writeFile(m_volumes + u"/HD/file"_s, 5000);
        QCOMPARE(Destination::folderSize(FileItem(m_volumes + u"/HD/file"_s)), -1);
        QCOMPARE(Destination::folderSize(FileItem()), -1);
    }

    void capacityFigures_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0.00"_s;
        QTest::newRow("half up") << qint64(1005) << u"1.01"_s;
        QTest::newRow("below half") << qint64(1004) << u"1.00"_s;
        QTest::newRow("grouped") << qint64(1234567890) << u"1,234,567.89"_s;
        QTest::newRow("negative") << qint64(-2500) << u"-2.50"_s;
    }
    void capacityFigures()
    {
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(Destination::formatThousandths(value), text);
    }

    void volumeInfoAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ejectableBefore");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<bool>("ejectable");
        QTest::newRow("full answer") << u"2.3, 7.9999 , true "_s << false << qint64(2300) << qint64(7999) << true;
        QTest::newRow("not ejectable") << u"10,20,false"_s << false << qint64(10000) << qint64(20000) << false;
        QTest::newRow("ejectable never cleared") << u"10,20,false"_s << true << qint64(10000) << qint64(20000) << true;
        QTest::newRow("no numbers") << u"abc,def,true"_s << false << qint64(0) << qint64(0) << true;
        QTest::newRow("two fields keep ejectable") << u"5,6"_s << true << qint64(5000) << qint64(6000) << true;
        QTest::newRow("empty answer") << QString() << false << qint64(0) << qint64(0) << false;
        // A script may answer any digits: the figures stay at an exabyte, never wrapped.
        QTest::newRow("figures beyond 64 bits") << u"99999999999999999999999,-99999999999999999999999"_s << false
                                                << qint64(1000000000000000) << qint64(-1000000000000000) << false;
        QTest::newRow("figures beyond any double") << u"1"_s + QString(400, u'0') + u",1"_s << false
                                                   << qint64(1000000000000000) << qint64(1000) << false;
        QTest::newRow("only the exact word") << u"1,2,truely"_s << false << qint64(1000) << qint64(2000) << false;
    }
    void volumeInfoAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, ejectableBefore);
        QFETCH(qint64, free);
        QFETCH(qint64, capacity);
        QFETCH(bool, ejectable);
        if (!answer.isEmpty())
            setVolumeInfo(answer);
        else
            writeScript(u"volume-info"_s, u"exit 1"_s);
        m_props.diskEjectable = ejectableBefore;
        m_dest->measureDestination();
        QCOMPARE(m_props.diskFreeSpace, free);
        QCOMPARE(m_props.diskCapacity, capacity);
        QCOMPARE(m_props.diskEjectable, ejectable);
    }

    void nativeDiskpropAsksTheCardVolume()
    {
        makeCard();
        writeFile(card() + u"/SDS_0001.3G2"_s, 3000);
        m_dest->setBridge(nullptr);
        qputenv("SONGKITE_SCRIPTS", m_scripts.toUtf8());
        m_dest->searchCard();
        QVERIFY(m_props.diskFreeSpace > 0);
        QVERIFY(m_props.diskCapacity >= m_props.diskFreeSpace);
        QVERIFY(m_props.diskEjectable);
        QCOMPARE(m_props.destinationSizeKB, 3);
    }

    void labelsWhenTheCardIsMissing_data()
    {
        QTest::addColumn<bool>("volume");
        QTest::addColumn<QString>("label");
        QTest::newRow("no card volume") << false << kNoCard;
        QTest::newRow("card without its folder") << true << kNoFolder;
    }
    void labelsWhenTheCardIsMissing()
    {
        QFETCH(bool, volume);
        QFETCH(QString, label);
        if (volume)
            QVERIFY(QDir().mkpath(m_volumes + u"/NO NAME/PRIVATE/AU"_s));
        m_props.cardMusicFolder = FileItem(m_volumes + u"/HD"_s); // known from before
        m_dest->searchCard();
        QCOMPARE(m_dest->destinationText(), label);
        QVERIFY(!m_dest->cardChecked());
        // Forgotten only when no card volume is there at all.
        QCOMPARE(m_props.cardMusicFolder.isNull(), !volume);

        // The box turned on without a card folder: no destination.
        m_props.cardMusicFolder = FileItem();
        m_props.destinationFolder = FileItem(m_volumes + u"/HD"_s);
        m_dest->cardBoxClicked(true);
        QCOMPARE(m_dest->destinationText(), kNoCard);
        QVERIFY(m_props.destinationFolder.isNull());
        QVERIFY(m_props.cardMusicFolder.isNull());
    }

    void boxOnFindsTheCardFolder()
    {
        makeCard();
        writeFile(card() + u"/SDS_0001.3G2"_s, 2500000);
        setVolumeInfo(u"100,200,true"_s);
        m_dest->cardBoxClicked(true);
        QCOMPARE(m_props.cardMusicFolder, FileItem(card()));
        QCOMPARE(m_props.destinationFolder, FileItem(card()));
        QCOMPARE(m_props.destinationSizeKB, 2500);
        QCOMPARE(m_dest->capacityText(), u"転送可能領域  102.50 MB (2.50 MB 在 + 100.00 MB 空き)"_s);
        QVERIFY(m_dest->capacityVisible());

        // A volume that is not ejectable shows no figures.
        Destination other(&m_props);
        other.setBridge(m_bridge.get());
        m_props.diskEjectable = false;
        setVolumeInfo(u"100,200,false"_s);
        other.cardBoxClicked(true);
        QCOMPARE(other.capacityText(), QString());
    }

    void boxOffAsksForAFolderAndShowsTheCardsFigures()
    {
        makeCard();
        QVERIFY(QDir().mkpath(m_volumes + u"/HD/Out"_s));
        setVolumeInfo(u"50,100,true"_s);
        m_dest->searchCard();
        QVERIFY(m_dest->cardChecked());
        m_props.destinationSizeKB = 1500;

        m_prompts->folders << m_volumes + u"/HD/Out"_s;
        QSignalSpy visible(m_dest.get(), &Destination::capacityVisibleChanged);
        m_dest->cardBoxClicked(false);
        QVERIFY(!m_dest->capacityVisible());
        QCOMPARE(visible.size(), 1);
        QCOMPARE(m_prompts->shown.last().text, u"転送先"_s);
        QCOMPARE(m_props.destinationFolder, FileItem(m_volumes + u"/HD/Out"_s));
        QCOMPARE(m_dest->destinationText(), u"転送先  HD:Out:"_s);
        QCOMPARE(m_dest->capacityText(), u"利用転送可能領域 > 51.50 MB (1.50 MB 在 + 50.00 MB 空き)"_s);

        // Cancelled: no destination at all.
        m_dest->cardBoxClicked(false);
        QVERIFY(m_props.destinationFolder.isNull());
        QCOMPARE(m_dest->destinationText(), u"転送先が指定されていません"_s);
    }

    void refreshAfterARunKeepsTheChosenDestination_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("label");
        QTest::newRow("a folder chosen") << true << u"転送先  HD:Out:"_s;
        QTest::newRow("the chooser cancelled") << false << u"転送先が指定されていません"_s;
    }

    void refreshAfterARunKeepsTheChosenDestination()
    {
        QFETCH(bool, chosen);
        QFETCH(QString, label);
        makeCard();
        QVERIFY(QDir().mkpath(m_volumes + u"/HD/Out"_s));
        setVolumeInfo(u"50,100,true"_s);
        m_dest->searchCard();
        m_props.destinationSizeKB = 1500;
        if (chosen)
            m_prompts->folders << m_volumes + u"/HD/Out"_s;
        m_dest->cardBoxClicked(false);
        const FileItem destination = m_props.destinationFolder;

        // A run ended: the room is shown anew, and the label still names where the next
        // transfer goes.
        setVolumeInfo(u"40,100,true"_s);
        m_dest->showCapacity();
        QCOMPARE(m_props.destinationFolder, destination);
        QCOMPARE(m_dest->destinationText(), label);
        if (chosen)
            QCOMPARE(m_dest->capacityText(), u"利用転送可能領域 > 41.50 MB (1.50 MB 在 + 40.00 MB 空き)"_s);
    }

    void menuCommandKeepsTheBoxAndTheLabelShown()
    {
        makeCard();
        QVERIFY(QDir().mkpath(m_volumes + u"/HD/Out"_s));
        setVolumeInfo(u"50,100,true"_s);
        m_dest->searchCard();
        m_prompts->folders << m_volumes + u"/HD/Out"_s;
        m_dest->chooseDestinationFolder();
        QVERIFY(m_dest->cardChecked());
        QVERIFY(m_dest->capacityVisible());
        QCOMPARE(m_dest->destinationText(), u"転送先  HD:Out:"_s);
        QVERIFY(m_dest->capacityText().startsWith(u"利用転送可能領域 > "_s));

        // The next search takes the card back, and the labels say so.
        m_dest->searchCard();
        QCOMPARE(m_props.destinationFolder, FileItem(card()));
        QCOMPARE(m_dest->destinationText(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s);
    }

    void searchThreadRunsTheSearch()
    {
        makeCard();
        setVolumeInfo(u"1,2,true"_s);
        m_dest->startCardSearch();
        QVERIFY(!m_dest->cardChecked()); // it runs on the next turn of the event loop
        QTRY_VERIFY(m_dest->cardChecked());
        QCOMPARE(m_props.destinationFolder, FileItem(card()));
    }

    // The card missing at start-up: the box is off, but not by the user.
    void cardPutBackIsTaken_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("taken");
        QTest::newRow("box left alone") << QString() << true;
        QTest::newRow("user clicked the box off") << u"box off"_s << false;
        QTest::newRow("user turned the box on and off") << u"box on and off"_s << false;
        QTest::newRow("user chose a destination") << u"menu"_s << false;
        QTest::newRow("a transfer asked for a destination") << u"transfer"_s << false;
    }
    void cardPutBackIsTaken()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, taken);
        preference::cardFolderPath = u":Music:"_s; // the open sequence's folder, not the fixed one
        const QString cardMusic = m_volumes + u"/NO NAME/Music"_s;
        const QString out = m_volumes + u"/HD/Out"_s;
        QVERIFY(QDir().mkpath(out));
        setVolumeInfo(u"50,100,true"_s);
        m_dest->searchCard(preference::cardFolderPath);
        QCOMPARE(m_dest->destinationText(), kNoCard);

        if (meanwhile == u"box off"_s) {
            m_dest->cardBoxClicked(false);
        } else if (meanwhile == u"box on and off"_s) {
            m_dest->cardBoxClicked(true);
            m_dest->cardBoxClicked(false);
        } else if (meanwhile == u"menu"_s) {
            m_prompts->folders << out;
            m_dest->chooseDestinationFolder();
        } else if (meanwhile == u"transfer"_s) {
            m_props.destinationFolder = FileItem(out);
        }
        const FileItem before = m_props.destinationFolder;
        const QString textBefore = m_dest->destinationText();
        QSignalSpy checked(m_dest.get(), &Destination::cardCheckedChanged);

        // Ticks without a card change nothing; a card folder that appears is found at the
        // next tick.
        m_dest->searchOnTimer();
        QVERIFY(!m_dest->cardChecked());
        QVERIFY(QDir().mkpath(m_volumes + u"/NO NAME"_s));
        m_dest->searchOnTimer();
        QVERIFY(!m_dest->cardChecked());
        QVERIFY(QDir().mkpath(cardMusic));
        m_dest->searchOnTimer();

        QCOMPARE(m_dest->cardChecked(), taken);
        QCOMPARE(checked.size(), taken ? 1 : 0);
        if (taken) {
            QCOMPARE(m_props.destinationFolder, FileItem(cardMusic));
            QCOMPARE(m_props.cardMusicFolder, FileItem(cardMusic));
            QCOMPARE(m_dest->destinationText(), u"転送先  NO NAME:Music:"_s);
            QCOMPARE(m_dest->capacityText(), u"転送可能領域  50.00 MB (0.00 MB 在 + 50.00 MB 空き)"_s);
        } else {
            QCOMPARE(m_props.destinationFolder, before);
            QCOMPARE(m_dest->destinationText(), textBefore);
        }
    }

    void destinationChooserOpensAtTheCardOrTheLastChoice()
    {
        const QString out = m_volumes + u"/HD/Out"_s;
        QVERIFY(QDir().mkpath(out));
        // No card: the application's folder.
        m_dest->chooseDestinationFolder();
        // The card folder, once it is there.
        makeCard();
        m_dest->chooseDestinationFolder();
        // The folder chosen last, over the card.
        m_prompts->folders << out;
        m_dest->chooseDestinationFolder();
        m_dest->chooseDestinationFolder(); // cancelled: the choice before is still remembered
        Destination another(&m_props);
        another.chooseDestinationFolder();
        // Gone since: the card folder again.
        QVERIFY(QDir(out).removeRecursively());
        m_dest->chooseDestinationFolder();
        QCOMPARE(m_prompts->startFolders,
                 (QStringList{m_tmp->path() + u"/home"_s, card(), card(), out, out, card()}));
        QCOMPARE(RecentFolders::destination(), out);
    }

    void openSequenceUsesThePreferencesPath()
    {
        preference::cardFolderPath = u":Music:"_s;
        QVERIFY(QDir().mkpath(m_volumes + u"/NO NAME/Music"_s));
        m_dest->searchCard(preference::cardFolderPath);
        QCOMPARE(m_props.destinationFolder, FileItem(m_volumes + u"/NO NAME/Music"_s));
    }

    void cardFolderFromThePreferences_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("colonPath");
        QTest::newRow("nothing stored: the phone's card")
            << QString() << QString() << u"NO NAME:PRIVATE:AU:DF:D_SD:"_s;
        QTest::newRow("a labelled card") << u"音楽カード"_s << QString() << u"音楽カード:PRIVATE:AU:DF:D_SD:"_s;
        QTest::newRow("another folder") << QString() << u":Music:"_s << u"NO NAME:Music:"_s;
        QTest::newRow("both stored") << u"CARD"_s << u":Music:"_s << u"CARD:Music:"_s;
    }
    void cardFolderFromThePreferences()
    {
        QFETCH(QString, volume);
        QFETCH(QString, folder);
        QFETCH(QString, colonPath);
        preference::cardVolumeName = volume;
        preference::cardFolderPath = folder;
        QCOMPARE(CardFolder::colonPath(), colonPath);
        // Reading leaves the preferences as they are; filling writes what was read.
        QCOMPARE(preference::cardVolumeName, volume);
        QCOMPARE(preference::cardFolderPath, folder);
        CardFolder::fillPreferenceDefaults();
        QCOMPARE(preference::cardVolumeName + preference::cardFolderPath, colonPath);
        QCOMPARE(CardFolder::volumeName(), preference::cardVolumeName);
    }

    void shuffleRoom()
    {
        makeCard();
        writeFile(card() + u"/a"_s, 4000);
        setVolumeInfo(u"10,20,true"_s);
        m_dest->searchCard();
        preference::keepFreeMB = 3;
        QCOMPARE(m_dest->shuffleRoom(), 4 + 10000 - 3000);
        QCOMPARE(m_props.destinationSizeKB, 4);
        // The command line's space to keep, over the preferences'.
        QCOMPARE(m_dest->shuffleRoom(5), 4 + 10000 - 5000);

        m_props.destinationFolder = FileItem();
        QCOMPARE(m_dest->shuffleRoom(), 0);
        QCOMPARE(m_props.destinationSizeKB, 4);
    }

    void getItemSubMatchesShiftJisForms_data()
    {
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("inPath");
        QTest::addColumn<bool>("found");
        const QString nfc = u"ガ"_s; // U+30AC
        const QString nfd = u"カ\u3099"_s;
        QTest::newRow("NFD on disk, NFC in the path") << nfd + u".m4a"_s << nfc + u".m4a"_s << true;
        QTest::newRow("NFC on disk, NFD in the path") << nfc + u".m4a"_s << nfd + u".m4a"_s << true;
        QTest::newRow("wave dash variants") << u"A\u301CB"_s << u"A\uFF5EB"_s << true;
        QTest::newRow("different names") << u"Song A"_s << u"Song B"_s << false;
        QTest::newRow("unspellable characters stay apart") << u"\U0001F3B5"_s << u"\U0001F3B6"_s << false;
    }
    void getItemSubMatchesShiftJisForms()
    {
        QFETCH(QString, onDisk);
        QFETCH(QString, inPath);
        QFETCH(bool, found);
        const QString folderNfd = u"フ\u309Aロ"_s; // the folder too is NFD on disk
        writeFile(m_volumes + u"/HD/"_s + folderNfd + u'/' + onDisk, 10);
        const QString path = u"HD:"_s + folderNfd.normalized(QString::NormalizationForm_C) + u':' + inPath;
        const FileItem item = ColonPathResolver::resolve(path);
        QCOMPARE(item.exists(), found);
        if (found)
            QCOMPARE(item.posixPath(), m_volumes + u"/HD/"_s + folderNfd + u'/' + onDisk);
    }

    void getItemSubEdges()
    {
        writeFile(m_volumes + u"/HD/a/b.m4a"_s, 10);
        QCOMPARE(ColonPathResolver::resolve(u"HD:a:b.m4a"_s), FileItem(m_volumes + u"/HD/a/b.m4a"_s));
        QCOMPARE(ColonPathResolver::resolve(u"HD:a:"_s), FileItem(m_volumes + u"/HD/a"_s));
        // Missing: the item that does not exist comes back for the caller to check.
        const FileItem missing = ColonPathResolver::resolve(u"HD:a:zz.m4a"_s);
        QVERIFY(!missing.isNull() && !missing.exists());
        QVERIFY(ColonPathResolver::resolve(u"Nowhere:a"_s).isNull());
        QVERIFY(ColonPathResolver::resolve(u"HD:a:..:..:x"_s).isNull());
        QCOMPARE(ColonPathResolver::resolveLiterally(u"HD:a:b.m4a"_s), FileItem(m_volumes + u"/HD/a/b.m4a"_s));
        QCOMPARE(ColonPathResolver::resolveLiterally(u"HD:x:y"_s), FileItem(m_volumes + u"/HD/x/y"_s));
    }

private:
    QString card() const { return m_volumes + u"/NO NAME/PRIVATE/AU/DF/D_SD"_s; }
    void makeCard() { QVERIFY(QDir().mkpath(card())); }
    void setVolumeInfo(const QString &answer) { writeScript(u"volume-info"_s, u"printf '%s' '"_s + answer + u"'"_s); }
    void writeScript(const QString &name, const QString &body)
    {
        QFile f(m_scripts + u'/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((u"#!/bin/sh\n"_s + body + u'\n').toUtf8());
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_volumes;
    QString m_scripts;
    SessionState m_props;
    std::unique_ptr<LibraryBridge> m_bridge;
    std::unique_ptr<Destination> m_dest;
    ScriptedPrompts *m_prompts = nullptr;
};

QTEST_GUILESS_MAIN(TestDestination)
#include "test_destination.moc"
