#include "core/platform/Prompts.h"
#include "core/platform/TextCodec.h"
#include "gui/songlist/SongInfoWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSongInfoWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithTheRow_data();
    void opensWithTheRow();
    void cardTitleStaysWithinTheCard_data();
    void cardTitleStaysWithinTheCard();
    void changeReportsTheFields_data();
    void changeReportsTheFields();
    void cancelReportsNothing_data();
    void cancelReportsNothing();
    void previewPlaysAndStops();
    void previewOfAMissingFileDoesNothing_data();
    void previewOfAMissingFileDoesNothing();
    void previewOfAFileThatIsNoSongSaysSo();

private:
    SongInfoWindow *open(const SongInfo &info);
    static SongInfo songListRow();
    static SongInfo cardListingRow();
    /// Types like a user: plain keys for ASCII, the input method's commit for the rest.
    static void type(QLineEdit *field, const QString &text);

    QTemporaryDir m_tmp;
    QString m_song;
    std::unique_ptr<QWidget> m_parent;
    QPointer<SongInfoWindow> m_window;
    ScriptedPrompts *m_prompts = nullptr;
    std::unique_ptr<Prompts> m_previous;
};

void TestSongInfoWindow::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
    const QString ffmpeg = QStandardPaths::findExecutable(u"ffmpeg"_s);
    if (ffmpeg.isEmpty())
        return;
    m_song = m_tmp.filePath(u"preview.m4a"_s);
    QProcess p;
    p.start(ffmpeg, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                     u"sine=frequency=440:duration=2"_s, u"-c:a"_s, u"aac"_s, u"-b:a"_s, u"128k"_s, m_song});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QVERIFY(QFileInfo(m_song).size() > 1000);
}

void TestSongInfoWindow::init()
{
    auto prompts = std::make_unique<ScriptedPrompts>();
    m_prompts = prompts.get();
    m_previous = Prompts::install(std::move(prompts));
    m_parent = std::make_unique<QWidget>();
    m_parent->resize(500, 300);
    m_parent->show();
}

void TestSongInfoWindow::cleanup()
{
    m_parent.reset(); // takes the window with it
    QVERIFY(!m_window);
    Prompts::install(std::move(m_previous));
}

SongInfoWindow *TestSongInfoWindow::open(const SongInfo &info)
{
    m_window = new SongInfoWindow(info, m_parent.get());
    m_window->show();
    return m_window;
}

SongInfo TestSongInfoWindow::songListRow()
{
    SongInfo info;
    info.location = u"Linux:home:user:Music:春の歌.m4a"_s;
    info.title = u" 春の歌 "_s;
    info.artist = u" 山田花子"_s;
    info.album = u" 四季"_s;
    return info;
}

SongInfo TestSongInfoWindow::cardListingRow()
{
    SongInfo info;
    info.location = u"NO NAME:SD_AUDIO:SD_AUD01:SDS_0001.3G2"_s;
    info.title = u"春の歌／山田花子 "_s;
    info.artist = u" 山田花子"_s; // a card row has none: whatever comes is not shown
    info.album = u" 四季"_s;
    info.cardListing = true;
    return info;
}

void TestSongInfoWindow::type(QLineEdit *field, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(field, &commit);
        }
    }
}

void TestSongInfoWindow::opensWithTheRow_data()
{
    QTest::addColumn<bool>("cardListing");
    QTest::addColumn<QString>("titleCaption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QString>("screenshot");
    QTest::newRow("曲リスト") << false << u"曲名:"_s << u"春の歌"_s << u"山田花子"_s << u"四季"_s
                          << u"song-info-window-song-list.png"_s;
    QTest::newRow("カード") << true << u"タイトル:"_s << u"春の歌／山田花子"_s << QString() << QString()
                         << u"song-info-window-card-listing.png"_s;
}

void TestSongInfoWindow::opensWithTheRow()
{
    QFETCH(bool, cardListing);
    QFETCH(QString, titleCaption);
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, album);
    QFETCH(QString, screenshot);
    const SongInfo info = cardListing ? cardListingRow() : songListRow();
    SongInfoWindow &w = *open(info);

    QCOMPARE(w.size(), SongInfoWindow::kSize);
    QCOMPARE(w.windowModality(), Qt::WindowModal);
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(w.locationText()->text(), info.location);
    QCOMPARE(w.titleCaption()->text(), titleCaption);
    // Blanks around the cells are not part of what the user edits.
    QCOMPARE(w.titleField()->text(), title);
    QCOMPARE(w.titleField()->cursorPosition(), int(title.size()));
    QVERIFY(!w.titleField()->hasSelectedText());
    QTRY_VERIFY(w.titleField()->hasFocus());
    QCOMPARE(w.artistField()->text(), artist);
    QCOMPARE(w.albumField()->text(), album);
    QCOMPARE(w.artistField()->isEnabled(), !cardListing);
    QCOMPARE(w.albumField()->isEnabled(), !cardListing);
    QVERIFY(w.titleField()->isEnabled());
    QCOMPARE(w.previewGlyph()->text(), u"▶"_s);
    QCOMPARE(w.previewGlyph()->mapTo(&w, QPoint()), QPoint(26, 142));
    QVERIFY(!w.previewNotice()->isVisible());
    QVERIFY(w.changeButton()->isDefault());

    // Every fixed text must show whole at its designed size.
    const QList<QLabel *> labels = w.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label == w.locationText() || label == w.previewNotice())
            continue;
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
    }
    for (const QPushButton *button : {w.cancelButton(), w.changeButton()})
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                 qPrintable(button->text()));

    QVERIFY(w.grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u'/' + screenshot));
}

void TestSongInfoWindow::cardTitleStaysWithinTheCard_data()
{
    QTest::addColumn<bool>("cardListing");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCursor");
    QTest::addColumn<int>("beeps");

    const QString ascii38 = QString(38, u'a');
    const QString kanji19 = QString(19, u'曲');
    // Typing stops at exactly 40 bytes; the key after that is refused, wherever it goes.
    QTest::newRow("one-byte to 40, one-byte more")
        << true << ascii38 << 10 << u"xyz"_s << ascii38.left(10) + u"xy"_s + ascii38.mid(10) << 12 << 1;
    QTest::newRow("two-byte to 40, two-byte more")
        << true << ascii38 << 38 << u"春夏"_s << ascii38 + u"春"_s << 39 << 1;
    QTest::newRow("one byte left, two-byte refused")
        << true << ascii38 + u'b' << 20 << u"春"_s << ascii38 + u'b' << 20 << 1;
    QTest::newRow("half-width kana are one byte")
        << true << kanji19 << 5 << u"ｱｲｳ"_s << kanji19.left(5) + u"ｱｲ"_s + kanji19.mid(5) << 7 << 1;
    QTest::newRow("refused twice, cursor stays")
        << true << kanji19 + u"ab"_s << 19 << u"cd"_s << kanji19 + u"ab"_s << 19 << 2;
    QTest::newRow("song list has no limit")
        << false << ascii38 << 38 << u"春夏"_s << ascii38 + u"春夏"_s << 40 << 0;
}

void TestSongInfoWindow::cardTitleStaysWithinTheCard()
{
    QFETCH(bool, cardListing);
    QFETCH(QString, start);
    QFETCH(int, cursor);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, expectedCursor);
    QFETCH(int, beeps);
    SongInfo info = cardListing ? cardListingRow() : songListRow();
    info.title = start;
    SongInfoWindow &w = *open(info);
    QLineEdit *field = w.titleField();
    field->setCursorPosition(cursor);

    type(field, typed);
    QCOMPARE(field->text(), expected);
    QCOMPARE(field->cursorPosition(), expectedCursor);
    QCOMPARE(m_prompts->beeps(), beeps);
    if (cardListing)
        QVERIFY(ShiftJis::byteLength(field->text()) <= SongInfoWindow::kCardTitleBytes);

    // After a refusal the field edits on from the text it kept.
    QTest::keyClick(field, Qt::Key_Backspace);
    type(field, u"!"_s);
    QCOMPARE(field->text(), expected.left(expectedCursor - 1) + u'!' + expected.mid(expectedCursor));
    QCOMPARE(m_prompts->beeps(), beeps);

    QSignalSpy changed(&w, &SongInfoWindow::changesAccepted);
    QTest::mouseClick(w.changeButton(), Qt::LeftButton);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toString(), field->text());
}

void TestSongInfoWindow::changeReportsTheFields_data()
{
    QTest::addColumn<bool>("cardListing");
    QTest::addColumn<QString>("artistTyped");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::newRow("song list, untouched") << false << QString() << u"春の歌"_s << u"山田花子"_s << u"四季"_s;
    QTest::newRow("song list, artist typed") << false << u"Taro "_s << u"春の歌"_s << u"Taro "_s << u"四季"_s;
    QTest::newRow("card listing") << true << QString() << u"春の歌／山田花子"_s << QString() << QString();
}

void TestSongInfoWindow::changeReportsTheFields()
{
    QFETCH(bool, cardListing);
    QFETCH(QString, artistTyped);
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, album);
    SongInfoWindow &w = *open(cardListing ? cardListingRow() : songListRow());
    if (!artistTyped.isEmpty()) {
        w.artistField()->selectAll();
        type(w.artistField(), artistTyped);
    }
    QSignalSpy changed(&w, &SongInfoWindow::changesAccepted);

    QTest::mouseClick(w.changeButton(), Qt::LeftButton);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toString(), title);
    QCOMPARE(changed.first().at(1).toString(), artist);
    QCOMPARE(changed.first().at(2).toString(), album);
    QTRY_VERIFY(!m_window);
}

void TestSongInfoWindow::cancelReportsNothing_data()
{
    QTest::addColumn<bool>("cardListing");
    QTest::newRow("song list") << false;
    QTest::newRow("card listing") << true;
}

void TestSongInfoWindow::cancelReportsNothing()
{
    QFETCH(bool, cardListing);
    SongInfoWindow &w = *open(cardListing ? cardListingRow() : songListRow());
    QSignalSpy changed(&w, &SongInfoWindow::changesAccepted);
    type(w.titleField(), u"x"_s);

    QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
    QTRY_VERIFY(!m_window);
    QCOMPARE(changed.size(), 0);
}

void TestSongInfoWindow::previewPlaysAndStops()
{
    if (m_song.isEmpty())
        QSKIP("ffmpeg is needed to make the sample song (scripts/install-deps.sh installs it)");
    SongInfo info = songListRow();
    info.previewFile = FileItem(m_song);
    SongInfoWindow &w = *open(info);

    // Twice: every press of play starts over, and stop always gets back to "▶".
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(w.previewButton(), Qt::LeftButton);
        if (QMediaDevices::audioOutputs().isEmpty()) {
            // Without an output the window says so instead of pretending to play.
            QCOMPARE(w.previewGlyph()->text(), u"▶"_s);
            QVERIFY(w.previewNotice()->isVisible());
            QVERIFY(w.previewNotice()->text().contains(u"音声を再生できません"_s));
            QVERIFY(w.previewNotice()->text().contains(u"音声出力"_s));
            QCOMPARE(w.player()->playbackState(), QMediaPlayer::StoppedState);
            continue;
        }
        QCOMPARE(w.previewGlyph()->text(), u"■"_s);
        QCOMPARE(w.previewGlyph()->mapTo(&w, QPoint()), QPoint(24, 142));
        QTRY_COMPARE(w.player()->playbackState(), QMediaPlayer::PlayingState);
        QVERIFY2(w.player()->error() == QMediaPlayer::NoError, qPrintable(w.player()->errorString()));
        QTRY_VERIFY(w.player()->position() > 0);
        QVERIFY(!w.previewNotice()->isVisible());

        QTest::mouseClick(w.previewButton(), Qt::LeftButton);
        QCOMPARE(w.previewGlyph()->text(), u"▶"_s);
        QCOMPARE(w.previewGlyph()->mapTo(&w, QPoint()), QPoint(26, 142));
        QCOMPARE(w.player()->playbackState(), QMediaPlayer::StoppedState);
        QCOMPARE(w.player()->position(), 0);
    }
}

void TestSongInfoWindow::previewOfAMissingFileDoesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("unresolved location") << QString();
    QTest::newRow("file gone") << u"gone.m4a"_s;
    QTest::newRow("folder") << u"."_s;
}

void TestSongInfoWindow::previewOfAMissingFileDoesNothing()
{
    QFETCH(QString, path);
    SongInfo info = cardListingRow();
    if (!path.isEmpty())
        info.previewFile = FileItem(m_tmp.filePath(path));
    SongInfoWindow &w = *open(info);

    QTest::mouseClick(w.previewButton(), Qt::LeftButton);
    QCOMPARE(w.previewGlyph()->text(), u"▶"_s);
    QCOMPARE(w.player()->playbackState(), QMediaPlayer::StoppedState);
    QVERIFY(w.player()->source().isEmpty());
    QVERIFY(!w.previewNotice()->isVisible());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestSongInfoWindow::previewOfAFileThatIsNoSongSaysSo()
{
    const QString path = m_tmp.filePath(u"not-a-song.m4a"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    SongInfo info = songListRow();
    info.previewFile = FileItem(path);
    SongInfoWindow &w = *open(info);

    QTest::mouseClick(w.previewButton(), Qt::LeftButton);
    QTRY_VERIFY(w.previewNotice()->isVisible());
    QVERIFY(w.previewNotice()->text().startsWith(u"音声を再生できません"_s));
    QCOMPARE(w.previewGlyph()->text(), u"▶"_s);
    QCOMPARE(w.player()->playbackState(), QMediaPlayer::StoppedState);
    QVERIFY(m_prompts->shown.isEmpty());
}

QTEST_MAIN(TestSongInfoWindow)
#include "test_songinfowindow.moc"
