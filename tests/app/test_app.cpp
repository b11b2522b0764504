#include "app/App.h"
#include "gui/main/MenuBar.h"
#include "gui/main/AboutBox.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"
#include "gui/compact/CompactWindow.h"
#include "gui/widgets/WidgetPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

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

// Everything Qt and the program print while it lives, for the checks that nothing is.
class PrintedMessages final {
public:
    PrintedMessages() { s_messages.clear(); m_previous = qInstallMessageHandler(record); }
    ~PrintedMessages() { qInstallMessageHandler(m_previous); }
    const QStringList &all() const { return s_messages; }

private:
    static void record(QtMsgType, const QMessageLogContext &, const QString &text) { s_messages << text; }
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

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
    void mainWindowCommandsNeedItInFront_data();
    void mainWindowCommandsNeedItInFront();
    void mainWindowStaysPutOverRestarts();
    void destinationLabelAtOpen_data();
    void destinationLabelAtOpen();
    void aboutBoxShowsVersionAndClosesOnClick();
    void aboutBoxOpensCentredOnTheMainWindow();
    void editCommandsDisabledWithoutATextField();
    void editCommandsActOnTheFocusedTextField_data();
    void editCommandsActOnTheFocusedTextField();
    void cardPutBackIsFoundAtTheNextTick_data();
    void cardPutBackIsFoundAtTheNextTick();
    void screenshots();
    // Last: the translations stay installed for the rest of the run.
    void qtTextsAreJapanese();

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
    RecentFolders::forget();
    Prompts::install(nullptr);
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
    // The first start opens wide enough that no status text is cut; the designed size is
    // the least it can be.
    const QSize size = main->contentGeometry().size();
    QVERIFY(size.width() >= MainWindow::kDesignedSize.width());
    QVERIFY(size.height() >= MainWindow::kDesignedSize.height());
    for (QLabel *label : {main->statusLine(), main->destinationLabel(), main->capacityLabel()})
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
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

void TestApp::mainWindowCommandsNeedItInFront_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("リストをﾃﾞﾌｫﾙﾄに保存") << u"saveDefaultList"_s;
    QTest::newRow("曲リストファイルを開く") << u"openSongList"_s;
    QTest::newRow("曲フォルダの選択") << u"chooseMusicFolder"_s;
    QTest::newRow("転送先フォルダの選択") << u"chooseDestination"_s;
}

void TestApp::mainWindowCommandsNeedItInFront()
{
    QFETCH(QString, id);
    startApp();
    MainWindow *main = m_app->mainWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    int ran = 0;
    main->registerCommand(id, [&ran] { ++ran; });
    m_app->showAbout();
    QTRY_COMPARE(QApplication::activeWindow(), m_app->aboutBox());
    // The about box handles none of them, and the application has no handler of its own:
    // the main window behind it must not act.
    m_app->dispatch(id);
    QCOMPARE(ran, 0);
    // The application's own commands still run with the about box in front.
    m_app->dispatch(u"showCompactWindow"_s);
    QVERIFY(!main->isVisible());
}

void TestApp::mainWindowStaysPutOverRestarts()
{
    const QRect placed(60, 80, 500, 400);
    for (int start = 0; start < 4; ++start) {
        startApp();
        MainWindow *main = m_app->mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        if (start == 0)
            main->setContentGeometry(placed);
        QCoreApplication::processEvents();
        QCOMPARE(main->contentGeometry(), placed);
        m_app->dispatch(u"quit"_s);
        QCOMPARE(prefsFields(m_tmp->path() + u"/prefs"_s).mid(0, 4),
                 (QStringList{u"60"_s, u"80"_s, u"500"_s, u"400"_s}));
        m_app.reset();
    }
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

void TestApp::aboutBoxOpensCentredOnTheMainWindow()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    main->setContentGeometry(QRect(350, 240, 600, 420));
    QCoreApplication::processEvents();
    m_app->showAbout();
    AboutBox *about = m_app->aboutBox();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->parentWidget(), main);
    const QPoint offset = about->geometry().center() - main->geometry().center();
    QVERIFY2(offset.manhattanLength() <= 1, qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
}

void TestApp::editCommandsDisabledWithoutATextField()
{
    startApp();
    MainWindow *main = m_app->mainWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    main->songList()->appendRow(SongRow::make(u"1"_s, u"曲"_s, u"a"_s, u"b"_s, 1000, u"L:a.m4a"_s, u"L:"_s));
    main->songListView()->selectRow(0);
    main->songListView()->setFocus();
    QGuiApplication::clipboard()->setText(u"クリップ"_s);
    QCOMPARE(QApplication::focusWidget(), main->songListView());
    m_app->updateMenus();
    {
        // Nothing may be printed: the commands used to be sent to the song list, which has none.
        const PrintedMessages printed;
        for (const QString &id : {u"editUndo"_s, u"editCut"_s, u"editCopy"_s, u"editPaste"_s}) {
            QVERIFY2(!m_app->menuBar()->action(id)->isEnabled(), qPrintable(id));
            m_app->dispatch(id);
        }
        QCOMPARE(printed.all(), QStringList());
    }
    QCOMPARE(main->songList()->rowCount(), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"クリップ"_s);
}

void TestApp::editCommandsActOnTheFocusedTextField_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("line field") << u"line"_s;
    QTest::newRow("text area") << u"text"_s;
    QTest::newRow("plain text area") << u"plain"_s;
}

void TestApp::editCommandsActOnTheFocusedTextField()
{
    QFETCH(QString, kind);
    startApp();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    QWidget *field = nullptr;
    if (kind == u"line"_s)
        field = new QLineEdit;
    else if (kind == u"text"_s)
        field = new QTextEdit;
    else
        field = new QPlainTextEdit;
    layout->addWidget(field);
    const auto text = [field] {
        if (auto *line = qobject_cast<QLineEdit *>(field))
            return line->text();
        if (auto *rich = qobject_cast<QTextEdit *>(field))
            return rich->toPlainText();
        return qobject_cast<QPlainTextEdit *>(field)->toPlainText();
    };
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), field);

    MenuBar *bar = m_app->menuBar();
    const auto enabled = [this, bar] {
        m_app->updateMenus();
        QString out;
        for (const QString &id : {u"editUndo"_s, u"editCut"_s, u"editCopy"_s, u"editPaste"_s})
            out += bar->action(id)->isEnabled() ? u'1' : u'0';
        return out; // undo, cut, copy, paste
    };

    const PrintedMessages printed;
    QGuiApplication::clipboard()->clear();
    QCOMPARE(enabled(), u"0000"_s); // empty, nothing selected, nothing to paste
    QTest::keyClicks(field, u"abc"_s);
    QCOMPARE(text(), u"abc"_s);
    QCOMPARE(enabled(), u"1000"_s);

    QTest::keySequence(field, QKeySequence::SelectAll);
    QCOMPARE(enabled(), u"1110"_s);
    m_app->dispatch(u"editCopy"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"abc"_s);
    QCOMPARE(enabled(), u"1111"_s);

    m_app->dispatch(u"editCut"_s);
    QCOMPARE(text(), QString());
    QCOMPARE(enabled(), u"1001"_s);
    m_app->dispatch(u"editPaste"_s);
    m_app->dispatch(u"editPaste"_s);
    QCOMPARE(text(), u"abcabc"_s);
    m_app->dispatch(u"editUndo"_s);
    QVERIFY(text() != u"abcabc"_s);

    // A field that cannot be changed offers copying only.
    field->setProperty("readOnly", true);
    QTest::keySequence(field, QKeySequence::SelectAll);
    QCOMPARE(enabled(), u"0010"_s);
    const QString before = text();
    m_app->dispatch(u"editCut"_s);
    m_app->dispatch(u"editPaste"_s);
    QCOMPARE(text(), before);
    QCOMPARE(printed.all(), QStringList());
}

void TestApp::cardPutBackIsFoundAtTheNextTick_data()
{
    QTest::addColumn<bool>("userTurnedTheBoxOff");
    QTest::newRow("box off for want of a card") << false;
    QTest::newRow("box turned off by the user") << true;
}

void TestApp::cardPutBackIsFoundAtTheNextTick()
{
    QFETCH(bool, userTurnedTheBoxOff);
    startApp();
    MainWindow *main = m_app->mainWindow();
    QCheckBox *box = main->cardCheckBox();
    QVERIFY(!box->isChecked());
    QCOMPARE(main->destinationLabel()->text(), u"miniSD　が見つかりません"_s);
    if (userTurnedTheBoxOff) {
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(box, Qt::LeftButton); // the chooser that opens is cancelled
        QVERIFY(!box->isChecked());
    }
    int ticks = 0;
    connect(main->repeatingTimer(), &QTimer::timeout, main, [&ticks] { ++ticks; });
    main->repeatingTimer()->setInterval(10);

    QVERIFY(QDir().mkpath(m_tmp->path() + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s));
    if (userTurnedTheBoxOff) {
        QTRY_VERIFY(ticks >= 5);
        QVERIFY(!box->isChecked());
        QVERIFY(main->props().destinationFolder.isNull());
    } else {
        QTRY_VERIFY(box->isChecked());
        QCOMPARE(main->props().destinationFolder.colonPath(), u"NO NAME:PRIVATE:AU:DF:D_SD:"_s);
        QCOMPARE(main->destinationLabel()->text(), u"転送先  NO NAME:PRIVATE:AU:DF:D_SD:"_s);
    }
}

void TestApp::qtTextsAreJapanese()
{
    QVERIFY(App::installQtTranslations());
    QVERIFY(App::installQtTranslations()); // once is enough; a second call changes nothing

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), u"キャンセル"_s);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), u"キャンセル"_s);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), u"はい(&Y)"_s);

    // The folder chooser as the program shows it.
    QString lookIn, fileType, reject, accept;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        lookIn = dialog->labelText(QFileDialog::LookIn);
        fileType = dialog->labelText(QFileDialog::FileType);
        reject = dialog->labelText(QFileDialog::Reject);
        accept = dialog->labelText(QFileDialog::Accept);
        QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR));
        dialog->grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/folder-chooser.png"_s);
        dialog->reject();
    });
    WidgetPrompts prompts;
    QCOMPARE(prompts.chooseFolder(u"曲フォルダの選択"_s, u"選択"_s, m_tmp->path()), QString());
    QCOMPARE(accept, u"選択"_s);
    QCOMPARE(reject, u"キャンセル"_s);
    for (const QString &label : {lookIn, fileType}) {
        QVERIFY(!label.isEmpty());
        QVERIFY2(std::any_of(label.cbegin(), label.cend(), [](QChar c) { return c.unicode() >= 0x3000; }),
                 qPrintable(label));
    }
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
