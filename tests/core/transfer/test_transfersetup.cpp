// The options the window and the command-line tool give a run: the preferences, what a
// front end puts over them, and the free space asked through the bridge.

#include "core/prefs/Preferences.h"
#include "core/transfer/TransferSetup.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TransferOptions::Mode)

class TestTransferSetup final : public QObject {
    Q_OBJECT

private slots:
    void init() { preference::resetToInitial(); }
    void cleanup() { preference::resetToInitial(); }

    void optionsFromThePreferences_data()
    {
        QTest::addColumn<TransferOptions::Mode>("mode");
        QTest::addColumn<bool>("switchesOn");
        QTest::addColumn<bool>("clearFirst");
        using Mode = TransferOptions::Mode;
        QTest::newRow("add keeps the card's songs") << Mode::Add << true << false;
        QTest::newRow("replace empties the folder first") << Mode::Replace << false << true;
        QTest::newRow("compact empties the folder first") << Mode::Compact << true << true;
    }
    void optionsFromThePreferences()
    {
        QFETCH(TransferOptions::Mode, mode);
        QFETCH(bool, switchesOn);
        QFETCH(bool, clearFirst);
        preference::titlePartOrder = u"213"_s;
        preference::titleNameBytes = 20;
        preference::titleArtistBytes = 12;
        preference::titleAlbumBytes = 8;
        preference::bitratePatchMode = switchesOn ? 1 : 0;
        preference::useLibraryInfo = switchesOn ? 1 : 0;
        preference::keepFreeMB = switchesOn ? 25 : 0;
        const FileItem card(u"/card"_s);

        const TransferOptions options = TransferSetup::fromPreferences(mode, card);
        QCOMPARE(options.mode, mode);
        QCOMPARE(options.destinationFolder, card);
        QCOMPARE(options.clearFirst, clearFirst);
        QCOMPARE(options.progressMaximum, -1);
        QCOMPARE(options.titleOrder.order, u"213"_s);
        QCOMPARE(options.titleOrder.nameBudget, 20);
        QCOMPARE(options.titleOrder.artistBudget, 12);
        QCOMPARE(options.titleOrder.albumBudget, 8);
        QCOMPARE(options.patchBitrate, switchesOn);
        QCOMPARE(options.compactEntriesUseLibraryInfo, switchesOn);
        QCOMPARE(options.keepFreeMB, switchesOn ? 25 : 0);
        QVERIFY(options.freeSpace);
    }

    void overridesWinOverThePreferences()
    {
        preference::titlePartOrder = u"123"_s;
        preference::titleNameBytes = 20;
        preference::titleArtistBytes = 10;
        preference::titleAlbumBytes = 10;
        preference::bitratePatchMode = 1;
        preference::keepFreeMB = 25;
        TransferSetup::Overrides overrides;
        // Zero and off are values given, not "keep the preference".
        overrides.keepFreeMB = 0;
        overrides.patchBitrate = false;
        overrides.titleOrder = u"300"_s;
        overrides.titleBytes = std::array<int, 3>{1, 2, 3};

        const TransferOptions options =
            TransferSetup::fromPreferences(TransferOptions::Mode::Replace, FileItem(u"/card"_s), overrides);
        QCOMPARE(options.keepFreeMB, 0);
        QCOMPARE(options.patchBitrate, false);
        QCOMPARE(options.titleOrder.order, u"300"_s);
        QCOMPARE(options.titleOrder.nameBudget, 1);
        QCOMPARE(options.titleOrder.artistBudget, 2);
        QCOMPARE(options.titleOrder.albumBudget, 3);
        // Nothing given for the order: the budgets alone change.
        overrides.titleOrder.reset();
        QCOMPARE(TransferSetup::fromPreferences(TransferOptions::Mode::Add, FileItem(), overrides).titleOrder.order,
                 u"123"_s);
    }

    void freeSpaceGoesThroughTheBridge()
    {
        // A script of that name answers in place of the volume table.
        QTemporaryDir scripts;
        QVERIFY(scripts.isValid());
        const QString script = scripts.filePath(u"volume-free"_s);
        QVERIFY(testsupport::writeFile(script, "#!/bin/sh\nprintf '%s' \"12.5 for $1\"\n"));
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray saved = qgetenv("SONGKITE_SCRIPTS");
        qputenv("SONGKITE_SCRIPTS", QFile::encodeName(scripts.path()));
        const TransferOptions options = TransferSetup::fromPreferences(TransferOptions::Mode::Add, FileItem());
        const QString answer = options.freeSpace(u"NO NAME"_s);
        qputenv("SONGKITE_SCRIPTS", saved);
        QCOMPARE(answer, u"12.5 for NO NAME"_s);
    }
};

QTEST_GUILESS_MAIN(TestTransferSetup)
#include "test_transfersetup.moc"
