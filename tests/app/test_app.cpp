#include "app/App.h"
#include "gui/main/MenuBar.h"
#include "gui/main/AboutBox.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"
#include "gui/compact/CompactWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList prefsFields(const QString &dir)
{
    QFile f(dir + u"/jp.songkite.songkite.prefs"_s);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\t');
}

void writePrefs(const QString &dir, const QStringList &fields)
{
    QFile f(dir + u"/jp.songkite.songkite.prefs"_s);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((fields.join(u'\t') + u"\t\n"_s).toUtf8());
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstStartShowsMainWindow();
    void modesSwitchBothWaysAndQuitKeepsLastMode();
    void startInTransferModeShowsOnlyCompact();
    void activationBringsCompactBackWhenAllHidden();
    void menuEnableRules();
    void commandsGoToFrontWindowFirst();
    void destinationLabelAtOpen_data();
    void destinationLabelAtOpen();
    void aboutBoxShowsVersionAndClosesOnClick();
    void screenshots();

private:
    void startApp();
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<App> m_app;
};

void TestApp::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    const QString base = m_tmp->path();
    for (const char *d : {"prefs", "home", "volumes", "volumes/Linux"})
        QVERIFY(QDir().mkpath(base + u'/' + QLatin1String(d)));
    testsupport::useHermeticFolders(base);
}

void TestApp::cleanup()
{
    m_app.reset();
    m_tmp.reset();
}

void TestApp::startApp()
{
    m_app = std::make_unique<App>();
    m_app->start();
    QCoreApplication::processEvents();
}

void TestApp::firstStartShowsMainWindow()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    QVERIFY(main->isVisible());
    QVERIFY(!m_app->compactWindow()->isVisible());
    QCOMPARE(preference::transferWindowMode, 0);
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s);
    QCOMPARE(preference::cardFolderPath, u":PRIVATE:AU:DF:D_SD:"_s);
    // Without a file the first transfer still gets titles.
    QCOMPARE(preference::titlePartOrder, u"100"_s);
    QCOMPARE(preference::titleNameBytes, 40);
    QCOMPARE((QPoint{preference::compactWindowBounds[0], preference::compactWindowBounds[1]}), QPoint(200, 250));
    QVERIFY(QDir(m_tmp->path() + u"/home/曲リストファイル"_s).exists());
    QCOMPARE(main->contentGeometry().size(), MainWindow::kDesignedSize);
    QCOMPARE(main->props().nextFileNumber, 1);
}

void TestApp::modesSwitchBothWaysAndQuitKeepsLastMode()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    CompactWindow *compact = m_app->compactWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));

    QTest::keyClick(main, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(!main->isVisible());
    QVERIFY(compact->isVisible());
    QCOMPARE(preference::transferWindowMode, 1);

    QVERIFY(QTest::qWaitForWindowActive(compact));
    QTest::keyClick(compact, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(main->isVisible());
    QVERIFY(!compact->isVisible());
    QCOMPARE(preference::transferWindowMode, 0);

    // Back to the compact window, then quit from there through the menu command.
    m_app->dispatch(u"showCompactWindow"_s);
    QCOMPARE(preference::transferWindowMode, 1);
    m_app->dispatch(u"quit"_s);
    const QStringList fields = prefsFields(m_tmp->path() + u"/prefs"_s);
    QCOMPARE(fields.size(), 21); // 20 TAB-terminated fields and the line ending
    QCOMPARE(fields[7], u"1"_s);
    QCOMPARE(fields.last(), u"\n"_s);
}

void TestApp::startInTransferModeShowsOnlyCompact()
{
    QStringList fields(20);
    fields[0] = u"100"_s, fields[1] = u"120"_s, fields[2] = u"400"_s, fields[3] = u"500"_s;
    fields[7] = u"1"_s;
    fields[13] = u"300"_s, fields[14] = u"310"_s;
    fields[19] = u"1"_s;
    writePrefs(m_tmp->path() + u"/prefs"_s, fields);
    startApp();
    MainWindow *main = m_app->mainWindow();
    CompactWindow *compact = m_app->compactWindow();
    QVERIFY(!main->isVisible());
    QVERIFY(compact->isVisible());
    QCOMPARE(compact->pos(), QPoint(300, 310));
    QVERIFY(main->addCheckBox()->isChecked());
    QCOMPARE(main->contentGeometry().size(), QSize(400, 500));

    m_app->dispatch(u"showListWindow"_s);
    QVERIFY(main->isVisible());
    QVERIFY(!compact->isVisible());
    QCOMPARE(preference::transferWindowMode, 0);
}

void TestApp::activationBringsCompactBackWhenAllHidden()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    CompactWindow *compact = m_app->compactWindow();
    preference::compactWindowBounds[0] = 333;
    preference::compactWindowBounds[1] = 222;
    // One window visible: the rule leaves everything alone.
    m_app->activationRule();
    QVERIFY(main->isVisible());
    QVERIFY(!compact->isVisible());

    main->hide();
    m_app->activationRule();
    QVERIFY(compact->isVisible());
    QCOMPARE(compact->pos(), QPoint(333, 222));
    QCOMPARE(preference::transferWindowMode, 1);
}

void TestApp::menuEnableRules()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    MenuBar *bar = m_app->menuBar();
    QVERIFY(QTest::qWaitForWindowActive(main));
    auto enabled = [bar](const QString &id) { return bar->action(id)->isEnabled(); };

    m_app->updateMenus();
    QVERIFY(enabled(u"showCompactWindow"_s));
    QVERIFY(!enabled(u"showListWindow"_s));
    QVERIFY(enabled(u"showAbout"_s));
    QVERIFY(!enabled(u"editCut"_s));
    QVERIFY(!enabled(u"Songkite"_s));
    QVERIFY(!bar->actionByCaption(u"ウインドウをしまう"_s)->isEnabled());
    QVERIFY(!bar->actionByCaption(u"ズーム"_s)->isEnabled());
    // An empty list: no check commands, but clearing and the card listing are offered.
    QVERIFY(!enabled(u"checkAllRows"_s));
    QVERIFY(!enabled(u"saveSongListAs"_s));
    QVERIFY(enabled(u"askClearList"_s));
    QVERIFY(enabled(u"listCard"_s));
    QVERIFY(!enabled(u"showInfo"_s));

    main->songList()->appendRow(SongRow::make(u"1"_s, u"曲"_s, u"a"_s, u"b"_s, 1000, u"L:a.m4a"_s, u"L:"_s));
    main->songListView()->selectRow(0);
    main->busyIndicator()->show();
    m_app->updateMenus();
    QVERIFY(enabled(u"checkAllRows"_s));
    QVERIFY(enabled(u"showInfo"_s));
    QVERIFY(enabled(u"removeSelectedRows"_s));
    QVERIFY(!enabled(u"listCard"_s));

    m_app->showCompactWindow();
    m_app->updateMenus();
    QVERIFY(!enabled(u"showCompactWindow"_s));
    QVERIFY(enabled(u"showListWindow"_s));
}

void TestApp::commandsGoToFrontWindowFirst()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    int selected = 0;
    main->registerCommand(u"chooseMusicFolder"_s, [&selected] { ++selected; });
    m_app->dispatch(u"chooseMusicFolder"_s);
    QCOMPARE(selected, 1);
    // A disabled item does nothing, even when asked for directly.
    main->registerCommand(u"checkAllRows"_s, [&selected] { selected += 10; });
    m_app->dispatch(u"checkAllRows"_s);
    QCOMPARE(selected, 1);
    // The main window declines the mode switch so the application performs it.
    QVERIFY(!main->handleCommand(u"showCompactWindow"_s));
    m_app->dispatch(u"showCompactWindow"_s);
    QVERIFY(!main->isVisible());
}

void TestApp::destinationLabelAtOpen_data()
{
    QTest::addColumn<QString>("volumeFolder");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("miniSD");
    QTest::newRow("no card volume") << QString() << u"miniSD　が見つかりません"_s << false;
    QTest::newRow("card without its folder") << u"NO NAME"_s << u"ｻｳﾝﾄﾞﾌｫﾙﾀﾞが見つかりません"_s << false;
    QTest::newRow("card with its folder") << u"NO NAME/PRIVATE/AU/DF/D_SD"_s << QString() << true;
}

void TestApp::destinationLabelAtOpen()
{
    QFETCH(QString, volumeFolder);
    QFETCH(QString, label);
    QFETCH(bool, miniSD);
    if (!volumeFolder.isEmpty())
        QVERIFY(QDir().mkpath(m_tmp->path() + u"/volumes/"_s + volumeFolder));
    startApp();
    MainWindow *main = m_app->mainWindow();
    if (!label.isEmpty())
        QCOMPARE(main->destinationLabel()->text(), label);
    QCOMPARE(main->cardCheckBox()->isChecked(), miniSD);
    if (miniSD) {
        QCOMPARE(main->props().destinationFolder.colonPath(), u"NO NAME:PRIVATE:AU:DF:D_SD:"_s);
        QCOMPARE(main->props().cardMusicFolder, main->props().destinationFolder);
    }
}

void TestApp::aboutBoxShowsVersionAndClosesOnClick()
{
    QCOMPARE(AboutBox::versionLine(u"1.1.0"_s), u"1.1(v1.1.0)"_s);
    QCOMPARE(AboutBox::versionLine(u"2.10.3"_s), u"2.10(v2.10.3)"_s);
    startApp();
    MainWindow *main = m_app->mainWindow();
    main->transferButton()->setEnabled(false);
    m_app->dispatch(u"showAbout"_s);
    AboutBox *about = m_app->aboutBox();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->size(), QSize(284, 178));
    QCOMPARE(about->findChild<QLabel *>(u"versionLine"_s)->text(), u"1.1(v1.1.0)"_s);
    QCOMPARE(about->findChild<QLabel *>(u"productName"_s)->text(), u"Songkite"_s);
    QVERIFY(!about->findChild<QLabel *>(u"icon"_s)->pixmap().isNull());
    QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(10, 170));
    QTRY_VERIFY(!m_app->aboutBox());
    QVERIFY(main->transferButton()->isEnabled());
}

void TestApp::screenshots()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    main->setContentGeometry(QRect(40, 60, 620, 420));
    QList<SongRow> rows;
    const QStringList titles{u"夜空のムコウ"_s, u"チェリー"_s, u"Automatic"_s, u"島唄"_s, u"ロビンソン"_s,
                             u"涙そうそう"_s, u"First Love"_s, u"さくら（独唱）"_s};
    for (int i = 0; i < titles.size(); ++i) {
        rows << SongRow::make(QString::number(i + 1) + u' ', titles[i], u"アーティスト %1"_s.arg(i + 1),
                              u"アルバム"_s, 3000000 + i * 712345, u"Linux:Music:%1.m4a"_s.arg(i), u"Linux:Music:"_s);
        rows.last().checked = i % 3 != 1;
    }
    main->songList()->appendRows(rows);
    QCoreApplication::processEvents();
    QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR));
    const QImage shot = main->grab().toImage();
    QVERIFY(shot.save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/main-window.png"_s));
    m_app->showAbout();
    QVERIFY(m_app->aboutBox()->grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/about-box.png"_s));
    // Japanese text must come out as glyphs, not boxes: the font in use has them.
    const QFontMetrics fm(main->songListView()->font());
    QVERIFY(fm.inFont(QChar(u'曲')));
    QVERIFY(fm.inFont(QChar(u'ム')));
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
