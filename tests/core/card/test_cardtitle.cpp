#include "core/card/CardTitle.h"
#include "core/platform/TextCodec.h"
#include "core/prefs/Preferences.h"

#include <QTest>

using namespace CardFormat;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CardFormat::TitleTexts)

namespace {

TitleTexts texts(const QString &title, const QString &artist, const QString &album)
{
    return {title, artist, album};
}

// Twenty two-byte characters: exactly 40 bytes.
const QString kForty = u"あいうえおかきくけこさしすせそたちつてと"_s;

} // namespace

class TestCardTitle final : public QObject {
    Q_OBJECT

private slots:
    void composition_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<TitleTexts>("in");
        QTest::addColumn<QString>("expected");
        const TitleTexts songBandDisc = texts(u"Song"_s, u"Band"_s, u"Disc"_s);
        QTest::newRow("100 title only") << u"100"_s << texts(u"Hello"_s, u"Band"_s, u"Disc"_s)
                                        << u"Hello"_s;
        QTest::newRow("123") << u"123"_s << songBandDisc << u"Song／Band／Disc"_s;
        QTest::newRow("123 long title")
            << u"123"_s
            << texts(u"ABCDEFGHIJKLMNOPQRSTUVWXY"_s, u"Artist Name Long"_s, u"Album"_s)
            << u"ABCDEFGHIJKLMNOPQRSTUVW／Artist Nam／A.."_s;
        QTest::newRow("210") << u"210"_s << songBandDisc << u"Band／Song"_s;
        QTest::newRow("no album") << u"123"_s << texts(u"Song"_s, u"Band"_s, {})
                                  << u"Song／Band"_s;
        QTest::newRow("no artist") << u"123"_s << texts(u"Song"_s, {}, u"Disc"_s)
                                   << u"Song／Disc"_s;
        QTest::newRow("45 ascii cut at 38") << u"100"_s << texts(QString(45, u'x'), {}, {})
                                            << (QString(38, u'x') + u".."_s);
        QTest::newRow("010 artist only") << u"010"_s << songBandDisc << u"Band"_s;
        QTest::newRow("001 album only") << u"001"_s << songBandDisc << u"Disc"_s;
        QTest::newRow("empty order") << QString() << songBandDisc << QString();
        QTest::newRow("000") << u"000"_s << songBandDisc << QString();

        QTest::newRow("日本語 40 bytes kept") << u"100"_s << texts(kForty, {}, {}) << kForty;
        QTest::newRow("日本語 cut at 38: two stops")
            << u"100"_s << texts(kForty + u"な"_s, {}, {}) << (kForty.left(19) + u".."_s);
        QTest::newRow("日本語 cut at 37: three stops")
            << u"100"_s << texts(u"a"_s + kForty, {}, {})
            << (u"a"_s + kForty.left(18) + u"..."_s);
        QTest::newRow("日本語 123 fits")
            << u"123"_s << texts(u"さくら"_s, u"いきものがかり"_s, u"ベスト"_s)
            << u"さくら／いきものがかり／ベスト"_s;
        // Slack 1 + 10 lent to the title makes its budget 29: two-byte text keeps 28 bytes.
        QTest::newRow("odd budget on 日本語")
            << u"123"_s << texts(u"あいうえおかきくけこさしすせそた"_s, u"ABCDEFGHI"_s, {})
            << u"あいうえおかきくけこさしすせ／ABCDEFGHI"_s;

        QTest::newRow("200 starts with the separator") << u"200"_s << songBandDisc
                                                      << u"／Song"_s;
        QTest::newRow("110 artist replaces title") << u"110"_s << songBandDisc << u"Band"_s;
        QTest::newRow("digit above 3 leaves out") << u"192"_s << songBandDisc
                                                  << u"Song／Disc"_s;
        QTest::newRow("letter leaves out") << u"1a2"_s << songBandDisc << u"Song／Disc"_s;
        QTest::newRow("single digit") << u"1"_s << songBandDisc << u"Song"_s;
        QTest::newRow("line breaks and TABs are left out")
            << u"123"_s << texts(u"So\r\nng"_s, u"Ba\tnd"_s, u"Di\u0007sc\n"_s) << u"Song／Band／Disc"_s;
    }
    void composition()
    {
        QFETCH(QString, order);
        QFETCH(TitleTexts, in);
        QFETCH(QString, expected);
        const QByteArray title = makeCardTitle(in, TitleOrder{order, 20, 10, 10});
        QVERIFY(title.size() <= 40);
        QCOMPARE(ShiftJis::decode(title), expected);
    }

    // Whatever the order and budgets, a title fits and ends on a whole character.
    void everyOrderFits_data()
    {
        QTest::addColumn<qint64>("budget");
        QTest::newRow("negative") << qint64(-50);
        QTest::newRow("zero") << qint64(0);
        QTest::newRow("odd") << qint64(13);
        QTest::newRow("huge") << qint64(2147483647);
    }
    void everyOrderFits()
    {
        QFETCH(qint64, budget);
        const TitleTexts longTexts = texts(kForty + u"abc"_s, u"a"_s + kForty, kForty);
        for (int digits = 0; digits < 1000; ++digits) {
            const QString order = u"%1"_s.arg(digits, 3, 10, QChar(u'0'));
            const QByteArray title =
                makeCardTitle(longTexts, TitleOrder{order, budget, budget, budget});
            QVERIFY2(title.size() <= 40, qPrintable(order));
            QVERIFY2(!ShiftJis::decode(title).contains(QChar::ReplacementCharacter),
                     qPrintable(order));
        }
    }

    void readsPreferences()
    {
        preference::titlePartOrder = u"210"_s;
        preference::titleNameBytes = 20;
        preference::titleArtistBytes = 10;
        preference::titleAlbumBytes = 10;
        QCOMPARE(ShiftJis::decode(makeCardTitle(texts(u"Song"_s, u"Band"_s, u"Disc"_s))),
                 u"Band／Song"_s);
    }

    void textsOfEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("useLibraryInfo");
        QTest::addColumn<TitleTexts>("expected");
        QTest::newRow("tab fields") << u"Song\tBand\tDisc\tMac:Music:x.m4a"_s << 1
                                    << texts(u"Song"_s, u"Band"_s, u"Disc"_s);
        QTest::newRow("tab missing fields") << u"Song"_s << 1 << texts(u"Song"_s, {}, {});
        QTest::newRow("colon path") << u"Mac:Music:Band:Disc:01 Song.m4a"_s << 0
                                    << texts(u"Song"_s, u"Band"_s, u"Disc"_s);
        QTest::newRow("colon path 日本語")
            << u"Mac:音楽:いきものがかり:ベスト:1-02 さくら.m4a"_s << 0
            << texts(u"さくら"_s, u"いきものがかり"_s, u"ベスト"_s);
        QTest::newRow("bare file name") << u"x.m4a"_s << 0 << texts(u"x"_s, {}, {});
        QTest::newRow("shorter than an extension") << u"Disc:ab"_s << 0
                                                   << texts({}, {}, u"Disc"_s);
    }
    void textsOfEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, useLibraryInfo);
        QFETCH(TitleTexts, expected);
        const TitleTexts got = textsFromEntry(entry, useLibraryInfo);
        QCOMPARE(got.title, expected.title);
        QCOMPARE(got.artist, expected.artist);
        QCOMPARE(got.album, expected.album);
    }

    void rowCellsTrimmed()
    {
        const TitleTexts got = textsFromRow(u"  Song "_s, u" Band"_s, u" ベスト "_s);
        QCOMPARE(got.title, u"Song"_s);
        QCOMPARE(got.artist, u"Band"_s);
        QCOMPARE(got.album, u"ベスト"_s);
    }

    void cutsTextWithoutMark()
    {
        QCOMPARE(ShiftJis::decode(cutShiftJis(u"テスト"_s, 5)), u"テス"_s);
        QCOMPARE(cutShiftJis(u"a"_s + kForty, 40).size(), 39);
    }
};

QTEST_GUILESS_MAIN(TestCardTitle)
#include "test_cardtitle.moc"
