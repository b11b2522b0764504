#include "core/prefs/PrefsForm.h"
#include "core/prefs/Preferences.h"

#include <QTest>

using namespace Qt::StringLiterals;
using PrefsForm::Order;

Q_DECLARE_METATYPE(Order)

class TestPrefsForm : public QObject {
    Q_OBJECT
private slots:
    void init() { preference::resetToInitial(); }
    void orderRule_data();
    void orderRule();
    void storedOrder_data();
    void storedOrder();
    void orderDigitsOfStoredText_data();
    void orderDigitsOfStoredText();
    void storeRefusesWrongTotalAndWritesNothing();
    void storeLeavesDestinationAndUnnamedModeAlone();
};

void TestPrefsForm::orderRule_data()
{
    QTest::addColumn<Order>("before");
    QTest::addColumn<int>("popup");
    QTest::addColumn<int>("item");
    QTest::addColumn<Order>("after");
    using P = PrefsForm::OrderPopup;
    QTest::newRow("artist takes 1 from the title") << Order{1, 0, 0} << int(P::ArtistPopup) << 1 << Order{0, 1, 0};
    QTest::newRow("all blank leaves the title at 1") << Order{1, 0, 0} << int(P::TitlePopup) << 0 << Order{1, 0, 0};
    QTest::newRow("title alone at 2 becomes 1") << Order{1, 0, 0} << int(P::TitlePopup) << 2 << Order{1, 0, 0};
    QTest::newRow("album takes 2 from the artist") << Order{1, 2, 0} << int(P::AlbumPopup) << 2 << Order{1, 0, 2};
    QTest::newRow("artist blanked, title alone") << Order{1, 2, 0} << int(P::ArtistPopup) << 0 << Order{1, 0, 0};
    QTest::newRow("title later than the artist") << Order{0, 1, 0} << int(P::TitlePopup) << 3 << Order{3, 1, 0};
    QTest::newRow("title 2 left alone goes to 1") << Order{2, 1, 0} << int(P::ArtistPopup) << 0 << Order{1, 0, 0};
    QTest::newRow("title blank, album kept") << Order{1, 0, 2} << int(P::TitlePopup) << 0 << Order{0, 0, 2};
}

void TestPrefsForm::orderRule()
{
    QFETCH(Order, before);
    QFETCH(int, popup);
    QFETCH(int, item);
    PrefsForm::selectOrder(before, popup, item);
    QTEST(before, "after");
}

void TestPrefsForm::storedOrder_data()
{
    QTest::addColumn<Order>("order");
    QTest::addColumn<QString>("stored");
    QTest::newRow("title, artist") << Order{1, 2, 0} << u"120"_s;
    QTest::newRow("artist 2, album 3 move up") << Order{0, 2, 3} << u"012"_s;
    QTest::newRow("album alone at 3") << Order{0, 0, 3} << u"001"_s;
    QTest::newRow("album alone at 2") << Order{0, 0, 2} << u"001"_s;
    QTest::newRow("title 2, artist 3 move up") << Order{2, 3, 0} << u"120"_s;
    QTest::newRow("artist first") << Order{2, 1, 0} << u"210"_s;
    QTest::newRow("all three") << Order{3, 1, 2} << u"312"_s;
    QTest::newRow("with a first position nothing moves") << Order{1, 3, 0} << u"130"_s;
}

void TestPrefsForm::storedOrder()
{
    QFETCH(Order, order);
    QTEST(PrefsForm::storedOrder(order), "stored");
}

void TestPrefsForm::orderDigitsOfStoredText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Order>("digits");
    QTest::newRow("120") << u"120"_s << Order{1, 2, 0};
    QTest::newRow("empty") << QString() << Order{0, 0, 0};
    QTest::newRow("short") << u"3"_s << Order{3, 0, 0};
    QTest::newRow("no popup item for 5 or x") << u"5x2"_s << Order{0, 0, 2};
    QTest::newRow("full-width digit") << u"１２０"_s << Order{0, 0, 0};
}

void TestPrefsForm::orderDigitsOfStoredText()
{
    QFETCH(QString, text);
    QFETCH(Order, digits);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(PrefsForm::orderDigit(text, i), digits[i]);
}

void TestPrefsForm::storeRefusesWrongTotalAndWritesNothing()
{
    preference::titlePartOrder = u"100"_s;
    preference::titleNameBytes = 40;
    preference::cardVolumeName = u"NO NAME"_s;
    PrefsForm::Fields f;
    f.destination = u"CARD:X:"_s;
    f.order = {1, 2, 0};
    f.bytes = {u"20"_s, u"10"_s, u"9"_s};
    f.keepSpace = true;
    f.keepSpaceMegabytes = u"5"_s;
    QVERIFY(!PrefsForm::store(f));
    QCOMPARE(preference::titlePartOrder, u"100"_s);
    QCOMPARE(preference::titleNameBytes, 40);
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s);
    QCOMPARE(preference::keepFreeMB, 0);

    f.bytes = {u"20"_s, u"10"_s, u"10"_s};
    QVERIFY(PrefsForm::store(f));
    QCOMPARE(preference::titlePartOrder, u"120"_s);
    QCOMPARE(preference::titleAlbumBytes, 10);
    QCOMPARE(preference::keepFreeMB, 5);
}

void TestPrefsForm::storeLeavesDestinationAndUnnamedModeAlone()
{
    preference::cardVolumeName = u"NO NAME"_s;
    preference::cardFolderPath = u":PRIVATE:AU:DF:D_SD:"_s;
    preference::selectButtonMode = 7;
    PrefsForm::Fields f;
    f.order = {1, 0, 0};
    f.bytes = {u"40"_s, u"0"_s, u"0"_s};
    f.selectButtonMode = -1;
    QVERIFY(PrefsForm::store(f));
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s);
    QCOMPARE(preference::cardFolderPath, u":PRIVATE:AU:DF:D_SD:"_s);
    QCOMPARE(preference::selectButtonMode, 7);
}

QTEST_GUILESS_MAIN(TestPrefsForm)
#include "test_prefsform.moc"
