#include "core/card/TitleRules.h"

#include <QTest>

using namespace CardFormat;
using namespace Qt::StringLiterals;

class TestTitleRules final : public QObject {
    Q_OBJECT

private slots:
    void cutsAtCharacterBoundaries_data()
    {
        QTest::addColumn<QByteArray>("sjis");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray tesuto = QByteArray::fromHex("836583588367");  // テスト
        QTest::newRow("fits unchanged") << QByteArray("abc") << 3 << QByteArray("abc");
        QTest::newRow("ascii") << QByteArray("abcdef") << 4 << QByteArray("abcd");
        QTest::newRow("テスト to 5 keeps two") << tesuto << 5 << tesuto.left(4);
        QTest::newRow("テスト to 6 unchanged") << tesuto << 6 << tesuto;
        QTest::newRow("テスト to 1 is empty") << tesuto << 1 << QByteArray();
        QTest::newRow("a then テ to 2") << ("a" + tesuto.left(2)) << 2 << QByteArray("a");
        // 表 is 95 5C: its second byte must not count as a backslash of its own.
        QTest::newRow("表示 to 3") << QByteArray::fromHex("955C8EA6") << 3
                                 << QByteArray::fromHex("955C");
        QTest::newRow("E0 lead byte") << QByteArray::fromHex("61E040") << 2 << QByteArray("a");
        QTest::newRow("half-width kana are one byte") << QByteArray::fromHex("B1B2B3") << 2
                                                      << QByteArray::fromHex("B1B2");
        QTest::newRow("limit 0") << QByteArray("abc") << 0 << QByteArray();
        QTest::newRow("negative limit") << QByteArray("abc") << -2 << QByteArray();
        QTest::newRow("dangling lead byte") << QByteArray::fromHex("616283") << 2
                                            << QByteArray("ab");
    }
    void cutsAtCharacterBoundaries()
    {
        QFETCH(QByteArray, sjis);
        QFETCH(int, limit);
        QFETCH(QByteArray, expected);
        QCOMPARE(cutShiftJis(sjis, limit), expected);
    }

    void trackPrefixes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("track") << u"01 Song"_s << u"Song"_s;
        QTest::newRow("disc-track") << u"1-02 Song"_s << u"Song"_s;
        QTest::newRow("both") << u"01 1-02 Song"_s << u"Song"_s;
        QTest::newRow("98 is the last track") << u"98 Song"_s << u"Song"_s;
        QTest::newRow("99 kept") << u"99 Song"_s << u"99 Song"_s;
        QTest::newRow("00 kept") << u"00 Song"_s << u"00 Song"_s;
        QTest::newRow("disc 9 kept") << u"9-01 Song"_s << u"9-01 Song"_s;
        QTest::newRow("disc 8") << u"8-98 Song"_s << u"Song"_s;
        QTest::newRow("disc track 99 kept") << u"1-99 Song"_s << u"1-99 Song"_s;
        QTest::newRow("disc 0 kept") << u"0-05 Song"_s << u"0-05 Song"_s;
        QTest::newRow("no blank after track") << u"07-Song.m4a"_s << u"07-Song.m4a"_s;
        QTest::newRow("number read from the start") << u"7. Song"_s << u"Song"_s;
        QTest::newRow("letter first") << u"A1 Song"_s << u"A1 Song"_s;
        QTest::newRow("with extension") << u"01 Intro.m4a"_s << u"Intro.m4a"_s;
        QTest::newRow("no prefix") << u"Song.m4a"_s << u"Song.m4a"_s;
        QTest::newRow("さくら") << u"01 さくら"_s << u"さくら"_s;
        QTest::newRow("夜明け disc-track") << u"2-03 夜明け"_s << u"夜明け"_s;
        QTest::newRow("full-width digits kept") << u"１２ 歌"_s << u"１２ 歌"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("two characters") << u"01"_s << u"01"_s;
        QTest::newRow("prefix only") << u"01 "_s << QString();
    }
    void trackPrefixes()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(stripTrackPrefix(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestTitleRules)
#include "test_titlerules.moc"
