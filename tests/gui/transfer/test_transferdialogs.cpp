#include "gui/transfer/TransferProgressDialog.h"
#include "gui/transfer/ReplaceOrAddDialog.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

class TestTransferDialogs : public QObject {
    Q_OBJECT
private slots:
    void confirmationButtons_data();
    void confirmationButtons();
    void deletingLocksTheDialog();
    void progressButtonStopsAndCloses_data();
    void progressButtonStopsAndCloses();
    void progressClosesQuietlyAfterARunWithoutReport();
};

void TestTransferDialogs::confirmationButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("busyShown");
    QTest::newRow("キャンセル") << int(ReplaceOrAddDialog::Cancel) << false;
    QTest::newRow("全入替") << int(ReplaceOrAddDialog::ReplaceAll) << true;
    QTest::newRow("追加") << int(ReplaceOrAddDialog::Add) << false;
    QTest::newRow("Escape is キャンセル") << -1 << false;
    QTest::newRow("Enter is キャンセル") << -2 << false;
}

void TestTransferDialogs::confirmationButtons()
{
    QFETCH(int, index);
    QFETCH(bool, busyShown);
    QPointer<ReplaceOrAddDialog> w = new ReplaceOrAddDialog;
    w->show();
    QCOMPARE(w->button(0)->text(), u"キャンセル"_s);
    QCOMPARE(w->button(1)->text(), u"全入替"_s);
    QCOMPARE(w->button(2)->text(), u"追加"_s);
    // Enter must not replace the whole card.
    QVERIFY(w->button(ReplaceOrAddDialog::Cancel)->isDefault());
    QVERIFY(!w->button(ReplaceOrAddDialog::ReplaceAll)->isDefault());
    // Left to right: キャンセル, 追加, 全入替.
    QVERIFY(w->button(0)->x() < w->button(2)->x());
    QVERIFY(w->button(2)->x() < w->button(1)->x());

    bool busyWhenChosen = false;
    QString textWhenChosen;
    connect(w, &ReplaceOrAddDialog::chosen, this, [&](int) {
        busyWhenChosen = w->busyIndicator()->isVisible();
        textWhenChosen = w->text()->text();
    });
    QSignalSpy chosen(w.data(), &ReplaceOrAddDialog::chosen);
    QSignalSpy closed(w.data(), &ReplaceOrAddDialog::closed);
    if (index == -1)
        QTest::keyClick(w, Qt::Key_Escape);
    else if (index == -2)
        QTest::keyClick(w, Qt::Key_Return);
    else
        QTest::mouseClick(w->button(index), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.first().first().toInt(), index < 0 ? int(ReplaceOrAddDialog::Cancel) : index);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(busyWhenChosen, busyShown);
    if (busyShown)
        QCOMPARE(textWhenChosen, u"\n既存ファイルを削除しています..."_s);
    QTRY_VERIFY(!w);
}

void TestTransferDialogs::deletingLocksTheDialog()
{
    ReplaceOrAddDialog w;
    w.setDeleting(true);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!w.button(i)->isEnabled());
    QVERIFY(!w.text()->isEnabled());
    w.setDeleting(false);
    QVERIFY(w.button(ReplaceOrAddDialog::Cancel)->isEnabled());
    QVERIFY(w.button(ReplaceOrAddDialog::ReplaceAll)->isEnabled());
    QVERIFY(!w.button(ReplaceOrAddDialog::Add)->isEnabled());
    QVERIFY(w.text()->isEnabled());
}

void TestTransferDialogs::progressButtonStopsAndCloses_data()
{
    QTest::addColumn<bool>("afterReport");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("during the run") << false << false;
    QTest::newRow("after a report") << true << false;
    QTest::newRow("close box during the run") << false << true;
    QTest::newRow("close box after a report") << true << true;
}

void TestTransferDialogs::progressButtonStopsAndCloses()
{
    QFETCH(bool, afterReport);
    QFETCH(bool, closeBox);
    // The title bar's close box reaches the window as the window system's close request.
    const auto press = [closeBox](TransferProgressDialog *w) {
        if (closeBox)
            w->windowHandle()->close();
        else
            QTest::mouseClick(w->button(), Qt::LeftButton);
    };
    QPointer<TransferProgressDialog> w = new TransferProgressDialog;
    w->show();
    QCOMPARE(w->message()->text(), u"曲ファイルを指定フォルダに転送しています"_s);
    QCOMPARE(w->button()->text(), u"中止"_s);
    w->progressBar()->setMaximum(10);
    w->progressBar()->setValue(4);
    w->counter()->setText(u"4/10"_s);
    if (afterReport) {
        w->showReport(u"4曲転送しました "_s);
        QCOMPARE(w->button()->text(), u"OK"_s);
        QVERIFY(w->button()->isDefault());
        QCOMPARE(w->progressBar()->value(), 0);
        QCOMPARE(w->counter()->text(), QString());
    }
    QSignalSpy stop(w.data(), &TransferProgressDialog::stopPressed);
    QSignalSpy closed(w.data(), &TransferProgressDialog::closed);
    press(w);
    if (afterReport) {
        // "OK" only closes: the run is over.
        QCOMPARE(stop.count(), 0);
        QCOMPARE(closed.count(), 1);
        QTRY_VERIFY(!w);
        return;
    }
    // "中止" asks for the stop and waits for the run's report, which says what went.
    QCOMPARE(stop.count(), 1);
    QCOMPARE(closed.count(), 0);
    QVERIFY(w && w->isVisible());
    QVERIFY(!w->button()->isEnabled());
    QCOMPARE(w->message()->text(), u"転送を中止しています..."_s);
    // Asking again while the run winds down asks nothing more.
    w->windowHandle()->close();
    QCOMPARE(stop.count(), 1);
    QVERIFY(w && w->isVisible());
    w->showReport(u"4曲転送後に中止しました"_s);
    QVERIFY(w->button()->isEnabled());
    press(w);
    QCOMPARE(stop.count(), 1);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(!w);
}

void TestTransferDialogs::progressClosesQuietlyAfterARunWithoutReport()
{
    QPointer<TransferProgressDialog> w = new TransferProgressDialog;
    w->show();
    QSignalSpy stop(w.data(), &TransferProgressDialog::stopPressed);
    QSignalSpy closed(w.data(), &TransferProgressDialog::closed);
    w->closeAfterRun();
    QCOMPARE(stop.count(), 0);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(!w);
}

QTEST_MAIN(TestTransferDialogs)
#include "test_transferdialogs.moc"
