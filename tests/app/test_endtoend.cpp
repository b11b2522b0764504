#include "app/App.h"
#include "core/card/CardLayout.h"
#include "core/transfer/TransferJob.h"
#include "gui/transfer/TransferController.h"
#include "gui/transfer/ReplaceOrAddDialog.h"
#include "core/platform/FileItem.h"
#include "core/platform/TextCodec.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "core/sources/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void scanThenReplaceAllPutsSongsOnTheCard();
};

void TestEndToEnd::scanThenReplaceAllPutsSongsOnTheCard()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString root = tmp.path();
    testsupport::useHermeticFolders(root);

    const QString album = root + u"/volumes/Music/Band/Best/"_s;
    const QString card = root + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD/"_s;
    const QStringList files{u"01 Intro.m4a"_s, u"02 夜空.m4a"_s, u"03 Outro.m4a"_s};
    for (int i = 0; i < files.size(); ++i)
        QVERIFY(writeFile(album + files[i], "song " + QByteArray::number(i) + QByteArray(100 * (i + 1), 'x')));
    // An earlier card: its songs, titles and scratch copy go; other files stay.
    QVERIFY(writeFile(card + u"SDS_0040.3G2"_s, "old song"));
    QVERIFY(writeFile(card + u"SD_F_000.MGR"_s, CardFormat::newMgrFile(0)));
    QVERIFY(writeFile(card + u"memo.txt"_s, "keep"));

    App app;
    app.start();
    MainWindow *main = app.mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    // The card was found at open: it is the destination.
    QCOMPARE(main->props().destinationFolder.colonPath(), u"NO NAME:PRIVATE:AU:DF:D_SD:"_s);

    main->scanMusicFolder(FileItem::fromColonPath(u"Music:Band:"_s));
    QTRY_VERIFY(!main->folderScan()->isBusy());
    QCOMPARE(main->songList()->rowCount(), 3);

    QSignalSpy finished(main->transferJob(), &coop::Thread::finished);
    QTest::mouseClick(main->transferButton(), Qt::LeftButton);
    ReplaceOrAddDialog *confirm = main->transfer()->confirmationDialog();
    QVERIFY(confirm);
    QTest::mouseClick(confirm->button(ReplaceOrAddDialog::ReplaceAll), Qt::LeftButton);
    QVERIFY(finished.wait(20000));
    QCOMPARE(main->transferJob()->errorCode(), 0);

    QStringList onCard = QDir(card).entryList(QDir::Files, QDir::Name);
    QCOMPARE(onCard, (QStringList{u"SDS_0000.3G2"_s, u"SDS_0001.3G2"_s, u"SDS_0002.3G2"_s, u"SD_F_000.MGR"_s, u"memo.txt"_s}));
    for (int i = 0; i < files.size(); ++i)
        QCOMPARE(readFile(card + *CardFormat::songFileName(i)), readFile(album + files[i]));

    // Titles without their track numbers, byte for byte in a fresh management file.
    QByteArray expected = CardFormat::newMgrFile(0);
    const QStringList titles{u"Intro"_s, u"夜空"_s, u"Outro"_s};
    for (int n = 0; n < titles.size(); ++n)
        expected.replace(CardFormat::slotOffset(n), CardFormat::kSlotSize, CardFormat::usedSlot(n, ShiftJis::encode(titles[n])));
    QCOMPARE(readFile(card + u"SD_F_000.MGR"_s), expected);

    // The first song is the newest, each next one a minute older: the phone's order.
    const QDateTime t0 = QFileInfo(card + u"SDS_0000.3G2"_s).lastModified();
    QCOMPARE(QFileInfo(card + u"SDS_0001.3G2"_s).lastModified().secsTo(t0), 60);
    QCOMPARE(QFileInfo(card + u"SDS_0002.3G2"_s).lastModified().secsTo(t0), 120);
    QCOMPARE(readFile(card + u"memo.txt"_s), QByteArray("keep"));
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
