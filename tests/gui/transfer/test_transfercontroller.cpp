#include "gui/transfer/TransferController.h"
#include "gui/transfer/TransferProgressDialog.h"
#include "gui/transfer/ReplaceOrAddDialog.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SessionState.h"

#include "core/transfer/TransferFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QWindow>

using namespace Qt::StringLiterals;
using namespace transfertest;

class TestTransferControl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void missingDestinationCancelled();
    void missingDestinationChosenAsksToConfirm();
    void addModeSkipsTheDialog();
    void replaceAllDeletesOnlyCardFiles();
    void addButtonKeepsAddMode();
    void emptyListIsRefused_data();
    void emptyListIsRefused();
    void secondStartWhileRunningBeeps();
    void stopButtonEndsBetweenSongs();
    void closingProgressStopsAndKeepsReport();

private:
    void makeControl();
    ScriptedPrompts *prompts() { return static_cast<ScriptedPrompts *>(&Prompts::instance()); }

    Volumes m_volumes;
    std::unique_ptr<QWidget> m_window;
    SongListModel *m_songs = nullptr;
    QTableView *m_list = nullptr;
    SessionState m_props;
    QCheckBox *m_add = nullptr;
    QPushButton *m_button = nullptr;
    QLabel *m_dest = nullptr;
    QLabel *m_cap = nullptr;
    std::unique_ptr<TransferController> m_control;
    int m_diskInfoCalls = 0;
};

void TestTransferControl::initTestCase() { QVERIFY(m_volumes.setUp()); }

void TestTransferControl::init()
{
    QVERIFY(m_volumes.reset());
    titleIsSongTitle();
    Prompts::install(std::make_unique<ScriptedPrompts>());
    m_window = std::make_unique<QWidget>();
    m_songs = new SongListModel(m_window.get());
    m_list = new QTableView(m_window.get());
    m_list->setModel(m_songs);
    m_add = new QCheckBox(m_window.get());
    m_button = new QPushButton(m_window.get());
    m_dest = new QLabel(m_window.get());
    m_cap = new QLabel(m_window.get());
    m_props = SessionState();
    m_props.destinationFolder = m_volumes.cardFolder();
    m_diskInfoCalls = 0;
    for (int i = 0; i < 3; ++i)
        m_songs->appendRow(row(u"曲%1"_s.arg(i), m_volumes.addSong(u"%1.m4a"_s.arg(i), "song" + QByteArray::number(i))));
    m_props.checkedCount = 3;
    m_window->show();
    makeControl();
}

void TestTransferControl::cleanup()
{
    m_control.reset();
    m_window.reset();
}

// Wired to the stand-in controls as the main window wires it to its own.
void TestTransferControl::makeControl()
{
    m_control = std::make_unique<TransferController>(m_window.get(), m_songs, &m_props);
    TransferController *control = m_control.get();
    control->setAddMode(m_add->isChecked());
    connect(m_add, &QCheckBox::toggled, control, &TransferController::setAddMode);
    connect(control, &TransferController::addModeChosen, m_add, [this] { m_add->setChecked(true); });
    connect(control, &TransferController::destinationShouldBeMeasured, this, [this] { ++m_diskInfoCalls; });
    connect(control, &TransferController::destinationChosen, this,
            [this](const QString &destinationText, const QString &capacityText) {
                m_dest->setText(destinationText);
                m_cap->setText(capacityText);
            });
    connect(control, &TransferController::selectionShouldClear, m_list, &QAbstractItemView::clearSelection);
    connect(control, &TransferController::transferButtonShouldEnable, m_button, [this] { m_button->setEnabled(true); });
}

void TestTransferControl::missingDestinationCancelled()
{
    m_props.destinationFolder = FileItem();
    m_button->setEnabled(false);
    m_control->startTransfer();
    QCOMPARE(prompts()->texts(), QStringList{u"転送先のフォルダが指定されていません"_s});
    QCOMPARE(prompts()->shown.at(1).text, u"転送先選択"_s);
    QCOMPARE(prompts()->beeps(), 1);
    QVERIFY(m_button->isEnabled());
    QVERIFY(!m_control->confirmationDialog());
    QVERIFY(!m_control->progressWindow());
    QVERIFY(m_props.destinationFolder.isNull());
}

void TestTransferControl::missingDestinationChosenAsksToConfirm()
{
    m_props.destinationFolder = FileItem();
    prompts()->folders = {m_volumes.card()};
    m_control->startTransfer();
    QCOMPARE(m_props.destinationFolder.posixPath(), m_volumes.card());
    QCOMPARE(m_diskInfoCalls, 1);
    QCOMPARE(m_dest->text(), u"NO NAME:PRIVATE:AU:DF:D_SD:"_s);
    QVERIFY(m_control->confirmationDialog());
    QVERIFY(!m_control->progressWindow());
}

void TestTransferControl::addModeSkipsTheDialog()
{
    m_add->setChecked(true);
    QSignalSpy finished(m_control->transferJob(), &coop::Thread::finished);
    m_control->startTransfer();
    QVERIFY(!m_control->confirmationDialog());
    QVERIFY(finished.wait(10000));
    for (int n = 0; n < 3; ++n)
        QCOMPARE(readAll(m_volumes.cardFile(songName(n))), "song" + QByteArray::number(n));
    // A run that went through closes its progress window without a message.
    QTRY_VERIFY(!m_control->progressWindow());
    QVERIFY(m_button->isEnabled());
}

void TestTransferControl::replaceAllDeletesOnlyCardFiles()
{
    QVERIFY(writeAll(m_volumes.cardFile(songName(7)), "old"));
    QVERIFY(writeAll(m_volumes.cardFile(u"SDS_0008.3G2.tmp"_s), "half"));
    QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{7, "old"}})));
    QVERIFY(writeAll(m_volumes.cardFile(u"readme.txt"_s), "keep me"));
    m_control->startTransfer();
    ReplaceOrAddDialog *dialog = m_control->confirmationDialog();
    QVERIFY(dialog);
    QSignalSpy finished(m_control->transferJob(), &coop::Thread::finished);
    QTest::mouseClick(dialog->button(ReplaceOrAddDialog::ReplaceAll), Qt::LeftButton);
    QVERIFY(finished.wait(10000));
    const Snapshot after = snapshot(m_volumes.card());
    QCOMPARE(after.bytes.keys(), (QStringList{songName(0), songName(1), songName(2), mgrName(0), u"readme.txt"_s}));
    QCOMPARE(after.bytes.value(u"readme.txt"_s), QByteArray("keep me"));
    // The old title of song 7 is gone: a fresh file with the three new slots.
    QMap<int, QByteArray> titles;
    for (int n = 0; n < 3; ++n)
        titles.insert(n, ShiftJis::encode(u"曲%1"_s.arg(n)));
    QCOMPARE(after.bytes.value(mgrName(0)), mgrWith(0, titles));
    QVERIFY(!m_add->isChecked());
}

void TestTransferControl::addButtonKeepsAddMode()
{
    QVERIFY(writeAll(m_volumes.cardFile(songName(0)), "kept"));
    QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{0, "kept"}})));
    m_control->startTransfer();
    QSignalSpy finished(m_control->transferJob(), &coop::Thread::finished);
    QTest::mouseClick(m_control->confirmationDialog()->button(ReplaceOrAddDialog::Add), Qt::LeftButton);
    QVERIFY(m_add->isChecked());
    QVERIFY(finished.wait(10000));
    QCOMPARE(readAll(m_volumes.cardFile(songName(0))), QByteArray("kept"));
    QCOMPARE(readAll(m_volumes.cardFile(songName(1))), QByteArray("song0"));
}

void TestTransferControl::emptyListIsRefused_data()
{
    QTest::addColumn<bool>("rowsLeft");
    QTest::addColumn<bool>("addMode");
    QTest::newRow("empty list, replace") << false << false;
    QTest::newRow("empty list, add") << false << true;
    QTest::newRow("nothing checked, replace") << true << false;
    QTest::newRow("nothing checked, add") << true << true;
}

void TestTransferControl::emptyListIsRefused()
{
    QFETCH(bool, rowsLeft);
    QFETCH(bool, addMode);
    QVERIFY(writeAll(m_volumes.cardFile(songName(7)), "old"));
    QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{7, "old"}})));
    const Snapshot before = snapshot(m_volumes.card());
    if (rowsLeft) {
        for (int r = 0; r < m_songs->rowCount(); ++r)
            m_songs->setChecked(r, false);
    } else {
        m_songs->clear();
    }
    m_props.checkedCount = 0;
    m_add->setChecked(addMode);
    m_button->setEnabled(false);
    m_control->startTransfer();
    // Said in a message; no question, no progress window, no run, the card untouched.
    QCOMPARE(prompts()->texts(), QStringList{u"転送する曲がありません"_s});
    QVERIFY(!m_control->confirmationDialog());
    QVERIFY(!m_control->progressWindow());
    QVERIFY(!m_control->transferJob()->isRunning());
    QVERIFY(m_button->isEnabled());
    // Called straight, as after a confirmation, it refuses the same way.
    m_control->runTransfer();
    QVERIFY(!m_control->progressWindow());
    QVERIFY(!m_control->transferJob()->isRunning());
    QCOMPARE(prompts()->texts().size(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(snapshot(m_volumes.card()).bytes, before.bytes);
}

void TestTransferControl::secondStartWhileRunningBeeps()
{
    m_add->setChecked(true);
    QSignalSpy started(m_control->transferJob(), &TransferJob::progressChanged);
    QSignalSpy finished(m_control->transferJob(), &coop::Thread::finished);
    m_control->startTransfer();
    m_control->startTransfer();
    QCOMPARE(prompts()->beeps(), 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!QFile::exists(m_volumes.cardFile(songName(3))));
}

void TestTransferControl::stopButtonEndsBetweenSongs()
{
    m_add->setChecked(true);
    TransferJob *thread = m_control->transferJob();
    // The first copy presses the stop button: that song completes, no later one starts.
    thread->setCopyFunction([this](const FileItem &from, const FileItem &to) {
        if (TransferProgressDialog *w = m_control->progressWindow())
            QMetaObject::invokeMethod(w->button(), &QPushButton::click, Qt::DirectConnection);
        return from.copyTo(to);
    });
    QSignalSpy finished(thread, &coop::Thread::finished);
    m_control->startTransfer();
    QVERIFY(finished.wait(10000));
    QVERIFY(QFile::exists(m_volumes.cardFile(songName(0))));
    QVERIFY(!QFile::exists(m_volumes.cardFile(songName(1))));
    // The window says how many songs went before the stop, and "OK" closes it.
    TransferProgressDialog *w = m_control->progressWindow();
    QVERIFY(w);
    QCOMPARE(w->message()->text(), u"1曲転送後に中止しました"_s);
    QCOMPARE(w->button()->text(), u"OK"_s);
    QVERIFY(w->button()->isEnabled());
    QTest::mouseClick(w->button(), Qt::LeftButton);
    QTRY_VERIFY(!m_control->progressWindow());
}

void TestTransferControl::closingProgressStopsAndKeepsReport()
{
    m_add->setChecked(true);
    TransferJob *thread = m_control->transferJob();
    // The first copy closes the window from its title bar: that is "中止", and the window
    // stays to say what went.
    thread->setCopyFunction([this](const FileItem &from, const FileItem &to) {
        if (TransferProgressDialog *w = m_control->progressWindow())
            w->windowHandle()->close();
        return from.copyTo(to);
    });
    QSignalSpy finished(thread, &coop::Thread::finished);
    m_button->setEnabled(false);
    m_control->startTransfer();
    QVERIFY(finished.wait(10000));
    QVERIFY(QFile::exists(m_volumes.cardFile(songName(0))));
    QVERIFY(!QFile::exists(m_volumes.cardFile(songName(1))));
    TransferProgressDialog *w = m_control->progressWindow();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->message()->text(), u"1曲転送後に中止しました"_s);
    QVERIFY(!m_button->isEnabled());
    w->windowHandle()->close();
    QTRY_VERIFY(!m_control->progressWindow());
    QVERIFY(m_button->isEnabled());
}

QTEST_MAIN(TestTransferControl)
#include "test_transfercontroller.moc"
