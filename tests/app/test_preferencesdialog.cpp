#include "app/App.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "gui/prefs/PreferencesDialog.h"
#include "gui/main/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kPopups[3] = {u"titleOrder"_s, u"artistOrder"_s, u"albumOrder"_s};
const QString kBytes[3] = {u"titleBytes"_s, u"artistBytes"_s, u"albumBytes"_s};

template <typename T>
T *control(QWidget *dialog, const QString &name)
{
    T *w = dialog->findChild<T *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

QLineEdit *field(QWidget *d, const QString &name) { return control<QLineEdit>(d, name); }
QComboBox *popup(QWidget *d, const QString &name) { return control<QComboBox>(d, name); }
QCheckBox *box(QWidget *d, const QString &name) { return control<QCheckBox>(d, name); }
void click(QWidget *d, const QString &name) { QTest::mouseClick(control<QPushButton>(d, name), Qt::LeftButton); }

// Replaces a field's text the way typing does, key by key (Japanese text as one input).
void type(QLineEdit *f, const QString &text)
{
    f->selectAll();
    QTest::keyClick(f, Qt::Key_Backspace);
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(f, text);
    else
        f->insert(text);
}

void setTypical()
{
    preference::cardVolumeName = u"NO NAME"_s;
    preference::cardFolderPath = u":PRIVATE:AU:DF:D_SD:"_s;
    preference::titlePartOrder = u"120"_s;
    preference::titleNameBytes = 30;
    preference::titleArtistBytes = 10;
    preference::titleAlbumBytes = 0;
    preference::bitratePatchMode = 1;
    preference::selectButtonMode = 2;
    preference::useLibraryInfo = 1;
    preference::keepFreeMB = 25;
}

struct Snapshot {
    QString vol, folder, order;
    int name, art, albm, fake, select, itunes, keep;
    static Snapshot now()
    {
        using namespace preference;
        return {cardVolumeName, cardFolderPath, titlePartOrder, titleNameBytes, titleArtistBytes, titleAlbumBytes,
                bitratePatchMode, selectButtonMode, useLibraryInfo, keepFreeMB};
    }
    bool operator==(const Snapshot &) const = default;
};

} // namespace

class TestPreferencesDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsThePreferences();
    void orderTextsShowConsistently_data();
    void orderTextsShowConsistently();
    void okStoresWhatTheControlsHold_data();
    void okStoresWhatTheControlsHold();
    void takingAPositionBlanksItsHolderAndItsBytes();
    void byteCounterAndRefusedTotal();
    void cancelChangesNothing();
    void keepSpaceBoxDrivesItsField();
    void keepSpaceFieldIsRetypedWhole_data();
    void keepSpaceFieldIsRetypedWhole();
    void chooseFillsThePathField();
    void chooserOpensAtTheFieldOrTheLastChoice();
    void createCardFolder();
    void closingEnablesTheTransferButton();
    void screenshot();

private:
    PreferencesDialog *open();
    QString volumes() const { return m_tmp->path() + u"/volumes"_s; }

    std::unique_ptr<QTemporaryDir> m_tmp;
    ScriptedPrompts *m_prompts = nullptr;
    QPointer<PreferencesDialog> m_dialog;
};

void TestPreferencesDialog::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    const QString base = m_tmp->path();
    for (const char *d : {"prefs", "home", "volumes/Linux", "volumes/CARD", "volumes/音楽カード"})
        QVERIFY(QDir().mkpath(base + u'/' + QString::fromUtf8(d)));
    qputenv("SONGKITE_PREFS_DIR", (base + u"/prefs"_s).toUtf8());
    qputenv("SONGKITE_HOME", (base + u"/home"_s).toUtf8());
    qputenv("SONGKITE_VOLUMES", volumes().toUtf8());
    preference::resetToInitial();
    RecentFolders::forget();
    auto prompts = std::make_unique<ScriptedPrompts>();
    m_prompts = prompts.get();
    Prompts::install(std::move(prompts));
}

void TestPreferencesDialog::cleanup()
{
    delete m_dialog;
    m_tmp.reset();
}

PreferencesDialog *TestPreferencesDialog::open()
{
    delete m_dialog;
    m_dialog = new PreferencesDialog;
    m_dialog->show();
    return m_dialog;
}

void TestPreferencesDialog::showsThePreferences()
{
    setTypical();
    preference::cardVolumeName = u"音楽カード"_s;
    PreferencesDialog *d = open();
    QCOMPARE(d->windowTitle(), u"環境設定"_s);
    QCOMPARE(d->size(), QSize(479, 460));
    QLineEdit *path = field(d, u"pathField"_s);
    QCOMPARE(path->text(), u"音楽カード:PRIVATE:AU:DF:D_SD:"_s);
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTRY_VERIFY(path->hasFocus());
    QCOMPARE(path->cursorPosition(), path->text().size());
    QVERIFY(!path->hasSelectedText());
    QCOMPARE(popup(d, kPopups[0])->currentText(), u"1"_s);
    QCOMPARE(popup(d, kPopups[1])->currentText(), u"2"_s);
    QCOMPARE(popup(d, kPopups[2])->currentText(), QString());
    QCOMPARE(field(d, kBytes[0])->text(), u"30"_s);
    QCOMPARE(field(d, kBytes[1])->text(), u"10"_s);
    QVERIFY(!field(d, kBytes[2])->isEnabled());
    QVERIFY(box(d, u"over128"_s)->isChecked());
    QCOMPARE(popup(d, u"selectButtonPopup"_s)->currentText(), u"iTunes ﾌﾟﾚｲﾘｽﾄ"_s);
    QVERIFY(box(d, u"useLibraryInfo"_s)->isChecked());
    QVERIFY(!box(d, u"useLibraryInfo"_s)->isVisible());
    QVERIFY(box(d, u"keepSpaceBox"_s)->isChecked());
    QVERIFY(field(d, u"keepSpaceField"_s)->isEnabled());
    QCOMPARE(field(d, u"keepSpaceField"_s)->text(), u"25"_s);
    QCOMPARE(control<QLabel>(d, u"byteCounter"_s)->text(), u"= 40 Byte"_s);

    // Nothing kept, nothing set: the box is off and its field disabled and empty.
    preference::keepFreeMB = 0;
    preference::bitratePatchMode = 0;
    preference::useLibraryInfo = 0;
    d = open();
    QVERIFY(!box(d, u"keepSpaceBox"_s)->isChecked());
    QVERIFY(!field(d, u"keepSpaceField"_s)->isEnabled());
    QVERIFY(field(d, u"keepSpaceField"_s)->text().isEmpty());
    QVERIFY(!box(d, u"over128"_s)->isChecked());
    QVERIFY(!box(d, u"useLibraryInfo"_s)->isChecked());
}

void TestPreferencesDialog::orderTextsShowConsistently_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");   // the three popups' digits, blank as 0
    QTest::addColumn<QString>("enabled"); // which byte fields are enabled
    QTest::newRow("120") << u"120"_s << u"120"_s << u"110"_s;
    QTest::newRow("012") << u"012"_s << u"012"_s << u"011"_s;
    QTest::newRow("001") << u"001"_s << u"001"_s << u"001"_s;
    QTest::newRow("empty shows the title") << QString() << u"100"_s << u"100"_s;
    QTest::newRow("000 shows the title") << u"000"_s << u"100"_s << u"100"_s;
    QTest::newRow("same position twice keeps the title") << u"110"_s << u"100"_s << u"100"_s;
    QTest::newRow("no item for 5") << u"500"_s << u"100"_s << u"100"_s;
}

void TestPreferencesDialog::orderTextsShowConsistently()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, enabled);
    preference::titlePartOrder = stored;
    preference::titleNameBytes = 40;
    PreferencesDialog *d = open();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(popup(d, kPopups[i])->currentIndex(), shown[i].unicode() - u'0');
        QCOMPARE(field(d, kBytes[i])->isEnabled(), enabled[i] == u'1');
    }
}

void TestPreferencesDialog::okStoresWhatTheControlsHold_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("orders"); // popup items, title first
    QTest::addColumn<QStringList>("bytes");
    QTest::addColumn<QString>("volName");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("titlePartOrder");
    QTest::addColumn<QList<int>>("counts");
    const QString card = u":PRIVATE:AU:DF:D_SD:"_s;
    QTest::newRow("title and artist") << u"CARD"_s + card << u"120"_s << QStringList{u"30"_s, u"10"_s, u"0"_s}
                                      << u"CARD"_s << card << u"120"_s << QList<int>{30, 10, 0};
    QTest::newRow("no colon: volume only") << u"CARD"_s << u"100"_s << QStringList{u"40"_s, u"0"_s, u"0"_s}
                                           << u"CARD"_s << QString() << u"100"_s << QList<int>{40, 0, 0};
    QTest::newRow("split at the first colon") << u"音楽カード:曲:D_SD:"_s << u"100"_s
                                              << QStringList{u"40"_s, u"0"_s, u"0"_s} << u"音楽カード"_s
                                              << u":曲:D_SD:"_s << u"100"_s << QList<int>{40, 0, 0};
    QTest::newRow("empty path keeps the destination") << QString() << u"100"_s
                                                      << QStringList{u"40"_s, u"0"_s, u"0"_s} << u"NO NAME"_s
                                                      << card << u"100"_s << QList<int>{40, 0, 0};
    QTest::newRow("artist 2, album 3 move up") << u"CARD:"_s << u"023"_s << QStringList{u"0"_s, u"25"_s, u"15"_s}
                                               << u"CARD"_s << u":"_s << u"012"_s << QList<int>{0, 25, 15};
    QTest::newRow("album 3 alone") << u"CARD:"_s << u"003"_s << QStringList{u"0"_s, u"0"_s, u"40"_s} << u"CARD"_s
                                   << u":"_s << u"001"_s << QList<int>{0, 0, 40};
    QTest::newRow("album 2 alone") << u"CARD:"_s << u"002"_s << QStringList{u"0"_s, u"0"_s, u"40"_s} << u"CARD"_s
                                   << u":"_s << u"001"_s << QList<int>{0, 0, 40};
}

void TestPreferencesDialog::okStoresWhatTheControlsHold()
{
    QFETCH(QString, path);
    QFETCH(QString, orders);
    QFETCH(QStringList, bytes);
    setTypical();
    preference::titlePartOrder = u"100"_s;
    preference::titleNameBytes = 40;
    preference::titleArtistBytes = 0;
    PreferencesDialog *d = open();
    QSignalSpy closed(d, &PreferencesDialog::closed);
    type(field(d, u"pathField"_s), path);
    // The title last, so a title left blank is not put back by the rule as the others fill.
    for (int i : {1, 2, 0})
        popup(d, kPopups[i])->setCurrentIndex(orders[i].unicode() - u'0');
    for (int i = 0; i < 3; ++i) {
        if (field(d, kBytes[i])->isEnabled())
            type(field(d, kBytes[i]), bytes[i]);
    }
    box(d, u"over128"_s)->setChecked(false);
    popup(d, u"selectButtonPopup"_s)->setCurrentIndex(1);
    click(d, u"okButton"_s);

    QCOMPARE(closed.count(), 1);
    QVERIFY(m_prompts->shown.isEmpty());
    QTEST(preference::cardVolumeName, "volName");
    QTEST(preference::cardFolderPath, "folder");
    QTEST(preference::titlePartOrder, "titlePartOrder");
    QTEST((QList<int>{preference::titleNameBytes, preference::titleArtistBytes, preference::titleAlbumBytes}),
          "counts");
    QCOMPARE(preference::bitratePatchMode, 0);
    QCOMPARE(preference::selectButtonMode, 1);
    QCOMPARE(preference::useLibraryInfo, 1);
    QCOMPARE(preference::keepFreeMB, 25);
}

void TestPreferencesDialog::takingAPositionBlanksItsHolderAndItsBytes()
{
    preference::titlePartOrder = u"100"_s;
    preference::titleNameBytes = 40;
    PreferencesDialog *d = open();
    popup(d, kPopups[1])->setCurrentIndex(1);
    QCOMPARE(popup(d, kPopups[0])->currentIndex(), 0);
    QCOMPARE(popup(d, kPopups[1])->currentIndex(), 1);
    QVERIFY(!field(d, kBytes[0])->isEnabled());
    QCOMPARE(field(d, kBytes[0])->text(), u"0"_s);
    QVERIFY(field(d, kBytes[1])->isEnabled());

    // Blanking the only one left gives the title "1" back.
    popup(d, kPopups[1])->setCurrentIndex(0);
    QCOMPARE(popup(d, kPopups[0])->currentIndex(), 1);
    QVERIFY(field(d, kBytes[0])->isEnabled());
}

void TestPreferencesDialog::byteCounterAndRefusedTotal()
{
    setTypical();
    preference::titlePartOrder = u"123"_s;
    const Snapshot before = Snapshot::now();
    PreferencesDialog *d = open();
    auto *counter = control<QLabel>(d, u"byteCounter"_s);
    type(field(d, kBytes[0]), u"20"_s);
    type(field(d, kBytes[1]), u"10"_s);
    type(field(d, kBytes[2]), u"9"_s);
    QCOMPARE(counter->text(), u"= 39 Byte"_s);
    QCOMPARE(counter->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    type(field(d, u"pathField"_s), u"CARD"_s);

    click(d, u"okButton"_s);
    QCOMPARE(m_prompts->texts(), QStringList{u"タイトル文字数のトータルが 40Byte になるようにしてください"_s});
    QCOMPARE(m_prompts->shown.first().icon, Prompts::Icon::Caution);
    QCOMPARE(m_prompts->beeps(), 1);
    QVERIFY(d->isVisible());
    QVERIFY(Snapshot::now() == before);
    QCOMPARE(field(d, kBytes[2])->text(), u"9"_s);

    // Only digits go in: a sign or a third digit is refused.
    type(field(d, kBytes[2]), u"-1"_s);
    QCOMPARE(field(d, kBytes[2])->text(), u"1"_s);
    type(field(d, kBytes[2]), u"100"_s);
    QCOMPARE(field(d, kBytes[2])->text(), u"10"_s);
    QCOMPARE(counter->text(), u"= 40 Byte"_s);
    QCOMPARE(counter->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    click(d, u"okButton"_s);
    QTRY_VERIFY(m_dialog.isNull());
    QCOMPARE(preference::titlePartOrder, u"123"_s);
    QCOMPARE(preference::titleAlbumBytes, 10);
    QCOMPARE(preference::cardVolumeName, u"CARD"_s);
}

void TestPreferencesDialog::cancelChangesNothing()
{
    setTypical();
    const Snapshot before = Snapshot::now();
    PreferencesDialog *d = open();
    QSignalSpy closed(d, &PreferencesDialog::closed);
    type(field(d, u"pathField"_s), u"CARD:X:"_s);
    popup(d, kPopups[2])->setCurrentIndex(3);
    type(field(d, kBytes[1]), u"5"_s);
    box(d, u"keepSpaceBox"_s)->setChecked(false);
    box(d, u"over128"_s)->setChecked(false);
    popup(d, u"selectButtonPopup"_s)->setCurrentIndex(0);
    click(d, u"cancelButton"_s);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(m_dialog.isNull());
    QVERIFY(Snapshot::now() == before);
    QVERIFY(m_prompts->shown.isEmpty());

    // Escape is the same.
    d = open();
    QSignalSpy closedByEscape(d, &PreferencesDialog::closed);
    type(field(d, kBytes[0]), u"1"_s);
    QTest::keyClick(d, Qt::Key_Escape);
    QCOMPARE(closedByEscape.count(), 1);
    QVERIFY(Snapshot::now() == before);
}

void TestPreferencesDialog::keepSpaceBoxDrivesItsField()
{
    setTypical();
    preference::keepFreeMB = 0;
    PreferencesDialog *d = open();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QCheckBox *keep = box(d, u"keepSpaceBox"_s);
    QLineEdit *mb = field(d, u"keepSpaceField"_s);
    keep->click();
    QVERIFY(mb->isEnabled());
    QCOMPARE(mb->text(), u"0"_s);
    QCOMPARE(mb->selectedText(), u"0"_s);
    QTRY_VERIFY(mb->hasFocus());
    QTest::keyClicks(mb, u"1500"_s);
    QCOMPARE(mb->text(), u"150"_s);
    click(d, u"okButton"_s);
    QCOMPARE(preference::keepFreeMB, 150);

    // Unchecked: the field empties and 0 is stored.
    d = open();
    keep = box(d, u"keepSpaceBox"_s);
    mb = field(d, u"keepSpaceField"_s);
    QCOMPARE(mb->text(), u"150"_s);
    keep->click();
    QVERIFY(!mb->isEnabled());
    QVERIFY(mb->text().isEmpty());
    click(d, u"okButton"_s);
    QCOMPARE(preference::keepFreeMB, 0);
}

void TestPreferencesDialog::keepSpaceFieldIsRetypedWhole_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("reach");
    QTest::newRow("box ticked with the mouse") << 0 << u"tick"_s;
    QTest::newRow("field clicked") << 25 << u"click"_s;
    QTest::newRow("field clicked at its start") << 25 << u"click at start"_s;
    QTest::newRow("field reached by Tab") << 25 << u"tab"_s;
}

void TestPreferencesDialog::keepSpaceFieldIsRetypedWhole()
{
    QFETCH(int, stored);
    QFETCH(QString, reach);
    setTypical();
    preference::keepFreeMB = stored;
    PreferencesDialog *d = open();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QCheckBox *keep = box(d, u"keepSpaceBox"_s);
    QLineEdit *mb = field(d, u"keepSpaceField"_s);
    if (reach == u"tick"_s) {
        QTest::mouseClick(keep, Qt::LeftButton);
        QVERIFY(keep->isChecked());
        QCOMPARE(mb->text(), u"0"_s);
    } else if (reach == u"tab"_s) {
        keep->setFocus();
        QTest::keyClick(keep, Qt::Key_Tab);
    } else {
        const int x = reach == u"click"_s ? mb->width() - 3 : 3;
        QTest::mouseClick(mb, Qt::LeftButton, {}, QPoint(x, mb->height() / 2));
    }
    QTRY_VERIFY(mb->hasFocus());
    QTest::keyClicks(mb, u"100"_s);
    QCOMPARE(mb->text(), u"100"_s);
}

void TestPreferencesDialog::chooseFillsThePathField()
{
    setTypical();
    const QString music = volumes() + u"/音楽カード/PRIVATE/AU/DF/D_SD"_s;
    QVERIFY(QDir().mkpath(music));
    QTemporaryDir outside;
    m_prompts->folders = {music, QString(), outside.path()};
    PreferencesDialog *d = open();
    QLineEdit *path = field(d, u"pathField"_s);

    click(d, u"chooseButton"_s);
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown.first().kind, ScriptedPrompts::Shown::Kind::Folder);
    QCOMPARE(path->text(), u"音楽カード:PRIVATE:AU:DF:D_SD:"_s);
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s); // nothing stored yet

    click(d, u"chooseButton"_s); // cancelled
    QCOMPARE(path->text(), u"音楽カード:PRIVATE:AU:DF:D_SD:"_s);
    QCOMPARE(m_prompts->beeps(), 0);

    click(d, u"chooseButton"_s); // on no volume: refused
    QCOMPARE(path->text(), u"音楽カード:PRIVATE:AU:DF:D_SD:"_s);
    QCOMPARE(m_prompts->beeps(), 1);

    click(d, u"okButton"_s);
    QCOMPARE(preference::cardVolumeName, u"音楽カード"_s);
    QCOMPARE(preference::cardFolderPath, u":PRIVATE:AU:DF:D_SD:"_s);
}

void TestPreferencesDialog::chooserOpensAtTheFieldOrTheLastChoice()
{
    setTypical();
    const QString out = volumes() + u"/Linux/Out"_s;
    QVERIFY(QDir().mkpath(out));
    PreferencesDialog *d = open();
    QLineEdit *path = field(d, u"pathField"_s);

    click(d, u"chooseButton"_s); // "NO NAME" is not there: the application's folder
    type(path, u"CARD:PRIVATE:"_s);
    click(d, u"chooseButton"_s); // the folder is still to be made: its volume
    QVERIFY(QDir().mkpath(volumes() + u"/CARD/PRIVATE"_s));
    click(d, u"chooseButton"_s); // the field's folder
    m_prompts->folders << out;
    click(d, u"chooseButton"_s);
    QCOMPARE(path->text(), u"Linux:Out:"_s);
    type(path, u"GONE:PRIVATE:"_s);
    click(d, u"chooseButton"_s); // the folder chosen last
    QCOMPARE(m_prompts->startFolders,
             (QStringList{m_tmp->path() + u"/home"_s, volumes() + u"/CARD"_s, volumes() + u"/CARD/PRIVATE"_s,
                          volumes() + u"/CARD/PRIVATE"_s, out}));
    // The main window's destination chooser starts there too.
    QCOMPARE(RecentFolders::destination(), out);
}

void TestPreferencesDialog::createCardFolder()
{
    setTypical();
    PreferencesDialog *d = open();
    QLineEdit *path = field(d, u"pathField"_s);

    // A volume that is not there: nothing happens.
    type(path, u"GONE:PRIVATE:"_s);
    click(d, u"createButton"_s);
    QCOMPARE(path->text(), u"GONE:PRIVATE:"_s);
    QVERIFY(m_prompts->shown.isEmpty());

    // Part of the folder already there; the rest is made and the field names it.
    QVERIFY(QDir().mkpath(volumes() + u"/音楽カード/PRIVATE/AU"_s));
    type(path, u"音楽カード"_s);
    click(d, u"createButton"_s);
    QVERIFY(QFileInfo(volumes() + u"/音楽カード/PRIVATE/AU/DF/D_SD"_s).isDir());
    QCOMPARE(path->text(), u"音楽カード:PRIVATE:AU:DF:D_SD:"_s);
    QVERIFY(m_prompts->shown.isEmpty());

    // A file where a folder belongs: reported, and the field keeps its text.
    QFile blocker(volumes() + u"/CARD/PRIVATE"_s);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    type(path, u"CARD:somewhere:"_s);
    click(d, u"createButton"_s);
    QCOMPARE(m_prompts->texts(), QStringList{u"フォルダ「CARD:PRIVATE」を作成できませんでした。"_s});
    QCOMPARE(m_prompts->shown.first().icon, Prompts::Icon::Caution);
    QCOMPARE(path->text(), u"CARD:somewhere:"_s);
    QVERIFY(!QFileInfo(volumes() + u"/CARD/PRIVATE/AU"_s).exists());
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s);
}

void TestPreferencesDialog::closingEnablesTheTransferButton()
{
    App app;
    app.start();
    QCoreApplication::processEvents();
    MainWindow *main = app.mainWindow();

    for (const QString &closer : {u"cancelButton"_s, u"okButton"_s}) {
        app.openPreferences();
        app.openPreferences(); // still the one dialog
        const QList<PreferencesDialog *> dialogs = main->findChildren<PreferencesDialog *>();
        QCOMPARE(dialogs.size(), 1);
        QPointer<PreferencesDialog> d = dialogs.first();
        QVERIFY(d->isVisible());
        QVERIFY(!d->isModal());
        main->transferButton()->setEnabled(false);
        click(d, closer);
        QVERIFY(main->transferButton()->isEnabled());
        QTRY_VERIFY(d.isNull());
    }
}

void TestPreferencesDialog::screenshot()
{
    setTypical();
    preference::titlePartOrder = u"123"_s;
    preference::titleNameBytes = 20;
    preference::titleArtistBytes = 10;
    preference::titleAlbumBytes = 9;
    PreferencesDialog *d = open();
    QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR));
    QVERIFY(d->grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/preferences-dialog.png"_s));
    const QFontMetrics fm(field(d, u"pathField"_s)->font());
    QVERIFY(fm.inFont(QChar(u'転')));
    QVERIFY(fm.inFont(QChar(u'ｱ')));
}

QTEST_MAIN(TestPreferencesDialog)
#include "test_preferencesdialog.moc"
