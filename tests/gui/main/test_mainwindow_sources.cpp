#include "gui/main/MenuBar.h"
#include "core/destination/Destination.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/cardedit/CardListing.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"
#include "core/sources/FolderScan.h"
#include "gui/sources/SourcePopup.h"
#include "core/sources/SourceRecord.h"
#include "gui/sources/ListProgressWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, qint64 bytes = 1000)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(bytes));
}

} // namespace

class TestWindowSources final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        const QString base = m_tmp->path();
        for (const char *d : {"prefs", "home", "scripts", "volumes/HD"})
            QVERIFY(QDir().mkpath(base + u'/' + QLatin1String(d)));
        qputenv("SONGKITE_PREFS_DIR", (base + u"/prefs"_s).toUtf8());
        qputenv("SONGKITE_HOME", (base + u"/home"_s).toUtf8());
        qputenv("SONGKITE_VOLUMES", (base + u"/volumes"_s).toUtf8());
        qputenv("SONGKITE_SCRIPTS", (base + u"/scripts"_s).toUtf8());
        preference::resetToInitial();
        m_prompts = new ScriptedPrompts;
        Prompts::install(std::unique_ptr<Prompts>(m_prompts));
        writeFile(hd(u"Music/Band/Best/01 Intro.m4a"_s), 1234567);
        writeFile(hd(u"Music/Band/Best/02 Outro.m4a"_s), 4000);
        writeFile(hd(u"Other/X/Y/03 Three.m4a"_s), 2000);
    }

    void cleanup()
    {
        m_window.reset();
        Prompts::install(nullptr);
    }

    void selectButtonScansTheChosenFolder()
    {
        open();
        m_prompts->folders << hd(u"Music"_s);
        QTest::mouseClick(m_window->selectButton(), Qt::LeftButton);
        QVERIFY(m_window->progressWindow() && m_window->progressWindow()->isVisible());
        QCOMPARE(m_window->progressWindow()->message()->text(), u"曲リストを作成しています"_s);
        waitIdle();
        QVERIFY(!m_window->progressWindow());
        QCOMPARE(m_window->songList()->rowCount(), 2);
        QCOMPARE(m_window->sourceLabel()->text(), u"HD:Music:"_s);
        QCOMPARE(m_window->statusLine()->text(), u"選曲  2 曲、 1.24 MB"_s);
        QVERIFY(m_window->transferButton()->isEnabled());
        QCOMPARE(m_window->songListView()->columnWidth(5), 0);

        // The other select button modes belong to other sources: nothing happens here.
        preference::selectButtonMode = 7;
        QTest::mouseClick(m_window->selectButton(), Qt::LeftButton);
        QCOMPARE(m_prompts->shown.size(), 1);

        m_prompts->folders << hd(u"Other"_s);
        QVERIFY(m_window->handleCommand(u"chooseMusicFolder"_s));
        waitIdle();
        QCOMPARE(m_window->songList()->cell(2, 0), u"3 "_s);
        QCOMPARE(m_window->sourcePopup()->count(), 3);
        QCOMPARE(m_window->sourcePopup()->item(0)->text(), u"HD:Other:"_s);
    }

    void dropsOnTheSongList()
    {
        open();
        emit m_window->songListView()->filesDropped({QUrl::fromLocalFile(hd(u"Other/X/Y/03 Three.m4a"_s)),
                                                QUrl::fromLocalFile(hd(u"Music"_s))});
        waitIdle();
        QCOMPARE(m_window->songList()->rowCount(), 3);
        QCOMPARE(m_window->songList()->cell(0, 6), QString());
        QCOMPARE(m_window->songList()->cell(1, 6), u"HD:Music:"_s);
        QCOMPARE(m_window->statusLine()->text(), u"選曲  3 曲、 1.24 MB"_s);

        m_window->cardListing()->cardListingMode = true;
        emit m_window->songListView()->filesDropped({QUrl::fromLocalFile(hd(u"Music"_s))});
        QVERIFY(!m_window->folderScan()->isBusy());
        QCOMPARE(m_window->songList()->rowCount(), 3);
    }

    void popupOpensArmsClosesAndPicks()
    {
        open();
        SourceRecord *record = m_window->sourceRecord();
        SourcePopup *popup = m_window->sourcePopup();
        m_window->scanMusicFolder(FileItem(hd(u"Music"_s)));
        waitIdle();
        clickSourceBox();
        QVERIFY(!popup->isVisible()); // one source: nothing to choose from

        m_window->scanMusicFolder(FileItem(hd(u"Other"_s)));
        waitIdle();
        m_window->songListView()->selectAll();
        clickSourceBox();
        QVERIFY(popup->isVisible());
        QVERIFY(popup->shadow()->isVisible());
        const QRect box = m_window->sourceBox()->geometry();
        QCOMPARE(popup->geometry(), QRect(box.left() + 3, box.bottom() + 1 - 5, box.width() - 7, 120));
        QCOMPARE(popup->shadow()->geometry().topLeft(), popup->geometry().topLeft() + QPoint(2, 1));
        QCOMPARE(popup->currentRow(), 0);
        QCOMPARE(m_window->selectedRows().size(), 3); // opening picks no song rows

        // The user picks the older source: its rows alone are selected, the popup is armed.
        popup->setCurrentRow(1);
        QCOMPARE(m_window->sourceLabel()->text(), u"HD:Music:"_s);
        QCOMPARE(m_window->selectedRows(), (QList<int>{0, 1}));
        QVERIFY(popup->isVisible());
        QVERIFY(record->isArmed());

        // The armed popup follows the source box when the window is resized.
        m_window->resize(m_window->width() + 100, m_window->height());
        QCOMPARE(popup->width(), m_window->sourceBox()->width() - 6);
        QCOMPARE(popup->shadow()->width(), popup->width());

        // A mouse-down on the list closes it, shadow too.
        QTest::mousePress(m_window->songListView()->viewport(), Qt::LeftButton, {}, QPoint(5, 200));
        QVERIFY(!popup->isVisible());
        QVERIFY(!popup->shadow()->isVisible());

        // Reopened, it shows the row picked last; the background's mouse-downs arm, then close.
        clickSourceBox();
        QCOMPARE(popup->currentRow(), 1);
        QTest::mousePress(m_window->contentArea(), Qt::LeftButton, {}, QPoint(2, 40));
        QVERIFY(popup->isVisible());
        QTest::mousePress(m_window->contentArea(), Qt::LeftButton, {}, QPoint(2, 40));
        QVERIFY(!popup->isVisible());

        // Clearing the list leaves the popup its one empty row.
        m_prompts->answers = {Prompts::Answer::Ok};
        QVERIFY(m_window->handleCommand(u"askClearList"_s));
        QCOMPARE(popup->count(), 1);
        QCOMPARE(m_window->sourceLabel()->text(), QString());
    }

    void cardLabelsAndCapacityAtOpen()
    {
        makeCard();
        for (int i = 0; i < 3; ++i)
            writeFile(card() + u"/SDS_000%1.3G2"_s.arg(i), 1500000);
        setVolumeInfo(u"123.4567,1000,true"_s);
        open();
        QVERIFY(m_window->cardCheckBox()->isChecked());
        QCOMPARE(m_window->destinationLabel()->text(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s);
        QCOMPARE(m_window->capacityLabel()->text(), u"転送可能領域  127.96 MB (4.50 MB 在 + 123.46 MB 空き)"_s);
        QCOMPARE(m_window->props().destinationSizeKB, 4500);

        // Unchecked by the user: a folder is asked for, the figures stay the card's.
        m_prompts->folders << hd(u"Other"_s);
        QTest::mouseClick(m_window->cardCheckBox(), Qt::LeftButton);
        QVERIFY(!m_window->cardCheckBox()->isChecked());
        QVERIFY(m_window->capacityLabel()->isHidden());
        QCOMPARE(m_window->destinationLabel()->text(), u"転送先  HD:Other:"_s);
        QCOMPARE(m_window->capacityLabel()->text(), u"利用転送可能領域 > 127.96 MB (4.50 MB 在 + 123.46 MB 空き)"_s);
        QCOMPARE(m_window->props().destinationFolder, FileItem(hd(u"Other"_s)));

        // Checked again: back to the card.
        QTest::mouseClick(m_window->cardCheckBox(), Qt::LeftButton);
        QVERIFY(!m_window->capacityLabel()->isHidden());
        QCOMPARE(m_window->props().destinationFolder, FileItem(card()));
        QCOMPARE(m_window->destinationLabel()->text(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s);

        // The menu command asks too; cancelled, there is no destination.
        QVERIFY(m_window->handleCommand(u"chooseDestination"_s));
        QCOMPARE(m_window->destinationLabel()->text(), u"転送先が指定されていません"_s);
        QVERIFY(m_window->cardCheckBox()->isChecked());
    }

    void timerFindsACardInsertedLater()
    {
        setVolumeInfo(u"10,20,true"_s);
        open();
        QCOMPARE(m_window->destinationLabel()->text(), u"miniSD　が見つかりません"_s);
        m_prompts->folders.clear();
        // The user asks for the card before it is there: the box stays on, waiting.
        QTest::mouseClick(m_window->cardCheckBox(), Qt::LeftButton);
        QVERIFY(m_window->cardCheckBox()->isChecked());
        QVERIFY(m_window->props().destinationFolder.isNull());
        makeCard();
        QTRY_COMPARE_WITH_TIMEOUT(m_window->destinationLabel()->text(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s, 6000);
        QCOMPARE(m_window->props().destinationFolder, FileItem(card()));
        QCOMPARE(m_window->capacityLabel()->text(), u"転送可能領域  10.00 MB (0.00 MB 在 + 10.00 MB 空き)"_s);
    }

    void shuffleFillsTheCardsRoom()
    {
        makeCard();
        setVolumeInfo(u"1.2,20,true"_s); // 1,200 KB: never room for the 1,235 KB song
        open();
        m_window->scanMusicFolder(FileItem(hd(u"Other"_s)));
        m_window->scanMusicFolder(FileItem(hd(u"Music"_s)));
        waitIdle();
        m_window->shuffleList();
        QTRY_VERIFY(!m_window->checkCommands()->isBusy());
        for (int r = 0; r < m_window->songList()->rowCount(); ++r)
            if (m_window->songList()->cell(r, 1) == u"Intro"_s)
                QVERIFY(!m_window->songList()->isChecked(r));
        QCOMPARE(m_window->props().destinationSizeKB, 0);
    }

private:
    QString hd(const QString &rel) const { return m_tmp->path() + u"/volumes/HD/"_s + rel; }
    QString card() const { return m_tmp->path() + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s; }
    void makeCard() { QVERIFY(QDir().mkpath(card())); }

    void setVolumeInfo(const QString &answer)
    {
        QFile f(m_tmp->path() + u"/scripts/volume-info"_s);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((u"#!/bin/sh\nprintf '%s' '"_s + answer + u"'\n"_s).toUtf8());
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void open()
    {
        m_window = std::make_unique<MainWindow>(&m_bar, nullptr);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void waitIdle() { QTRY_VERIFY(!m_window->folderScan()->isBusy()); QTRY_VERIFY(!m_window->checkCommands()->isBusy()); }

    void clickSourceBox()
    {
        QTest::mousePress(m_window->sourceBox(), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseRelease(m_window->sourceBox(), Qt::LeftButton, {}, QPoint(4, 4));
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    ScriptedPrompts *m_prompts = nullptr;
    MenuBar m_bar;
    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(TestWindowSources)
#include "test_mainwindow_sources.moc"
