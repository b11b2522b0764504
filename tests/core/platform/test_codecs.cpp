#include "core/platform/TextCodec.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

const QString fffd = QString(QChar(0xFFFD));

// Lower is preferred when several codes decode to one character: JIS X 0208, then NEC's
// row 13, then IBM's extensions; NEC's copies of the IBM extensions (ED, EE) never.
int preference(int code)
{
    const int lead = code >> 8;
    if (lead == 0xED || lead == 0xEE)
        return 3;
    if (lead >= 0xFA)
        return 2;
    if (lead == 0x87)
        return 1;
    return 0;
}

QByteArray codeBytes(int code)
{
    QByteArray b;
    b.append(char(code >> 8));
    b.append(char(code & 0xFF));
    return b;
}

} // namespace

class TestCodecs final : public QObject {
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void roundTrip();
    void macJapanese_data();
    void macJapanese();
    void exportedList_data();
    void exportedList();
    void encodeTitlesBenchmark();
};

void TestCodecs::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII") << u"Track 01 - Intro (Live)"_s << QByteArray("Track 01 - Intro (Live)");
    QTest::newRow("ASCII backslash and tilde stay") << u"a\\b~c"_s << hex("615c627e63");
    QTest::newRow("ひらがな") << u"ひらがな"_s << hex("82d082e782aa82c8");
    QTest::newRow("カタカナ") << u"カタカナ"_s << hex("834a835e834a8369");
    QTest::newRow("漢字") << u"漢字"_s << hex("8abf8e9a");
    QTest::newRow("半角カナ single bytes") << u"｡ｱｲｳﾟ"_s << hex("a1b1b2b3df");
    QTest::newRow("曲名 mixed")
        << u"01 残酷な天使のテーゼ"_s << QByteArray("01 ") + hex("8e638d9382c893568e6782cc8365815b835b");
    QTest::newRow("NEC and IBM characters") << u"①ⅰ"_s << hex("8740fa40");

    // Each fold, between other text so the runs around it are kept too.
    QTest::newRow("fold 〜 U+301C") << u"a\u301Cb"_s << hex("61816062");
    QTest::newRow("fold ～ U+FF5E") << u"a\uFF5Eb"_s << hex("61816062");
    QTest::newRow("fold ‖ U+2016") << u"a\u2016b"_s << hex("61816162");
    QTest::newRow("fold − U+2212") << u"a\u2212b"_s << hex("61817c62");
    QTest::newRow("fold — U+2014") << u"a\u2014b"_s << hex("61815c62");
    QTest::newRow("fold ¢ U+00A2") << u"a\u00A2b"_s << hex("61819162");
    QTest::newRow("fold £ U+00A3") << u"a\u00A3b"_s << hex("61819262");
    QTest::newRow("fold ¬ U+00AC") << u"a\u00ACb"_s << hex("6181ca62");
    QTest::newRow("fold ¥ U+00A5") << u"a\u00A5b"_s << hex("615c62");
    QTest::newRow("fold ‾ U+203E") << u"a\u203Eb"_s << hex("617e62");
    QTest::newRow("CP932's own spellings")
        << u"\u2225\uFF0D\u2015\uFFE0\uFFE1\uFFE2"_s << hex("8161817c815c8191819281ca");
    QTest::newRow("folds next to each other and to no form")
        << u"¥100〜\U0001F3B5〜"_s << hex("5c3130308160") + "?" + hex("8160");

    QTest::newRow("NFD が") << u"か\u3099"_s << hex("82aa");
    QTest::newRow("NFD パ in a title") << u"ハ\u309Aティー"_s << hex("837083658342815b");
    QTest::newRow("half-width ｶﾞ is not composed") << u"ｶﾞ"_s << hex("b6de");
    QTest::newRow("compatibility ideograph normalised") << u"\uF929"_s << hex("984e");
    QTest::newRow("Angstrom sign keeps its code") << u"\u212B"_s << hex("81f0");
    QTest::newRow("IBM ideograph without NFC form keeps its code") << u"a\uFA15b"_s << hex("61fb5862");

    QTest::newRow("no form: é") << u"Beyoncé"_s << QByteArray("Beyonc?");
    QTest::newRow("no form: NFD é is one character") << u"Beyonce\u0301"_s << QByteArray("Beyonc?");
    QTest::newRow("no form: ü and Hangul") << u"Motörhead 한"_s << QByteArray("Mot?rhead ?");
    QTest::newRow("no form: emoji is one character") << u"a\U0001F3B5b"_s << QByteArray("a?b");
    QTest::newRow("no form: two emoji") << u"\U0001F3B5\U0001F3B6"_s << QByteArray("??");
    QTest::newRow("no form: lone high surrogate")
        << QString(QChar(0xD83C)) + u"曲"_s << QByteArray("?") + hex("8bc8");
    QTest::newRow("no form: lone high surrogate at end")
        << u"曲"_s + QChar(0xD83C) << hex("8bc8") + "?";
    QTest::newRow("no form: lone low surrogate")
        << u"a"_s + QChar(0xDFB5) + u"b"_s << QByteArray("a?b");
}

void TestCodecs::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ShiftJis::encode(text), bytes);
    QCOMPARE(ShiftJis::byteLength(text), bytes.size());
}

void TestCodecs::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII with line endings") << QByteArray("a\\b~\r\n\t") << u"a\\b~\r\n\t"_s;
    QTest::newRow("ひらがな") << hex("82d082e782aa82c8") << u"ひらがな"_s;
    QTest::newRow("漢字") << hex("8abf8e9a") << u"漢字"_s;
    QTest::newRow("半角カナ") << hex("a1b1dfb6de") << u"｡ｱﾟｶﾞ"_s;
    QTest::newRow("trail byte 5C") << hex("835c955c") << u"ソ表"_s;
    QTest::newRow("81 60 is CP932's ～") << hex("8160") << u"\uFF5E"_s;
    QTest::newRow("NEC, IBM and user-defined") << hex("8740fa40f040") << u"①ⅰ\uE000"_s;

    QTest::newRow("invalid single bytes") << hex("4180a0fdfeff42") << u"A"_s + fffd + fffd + fffd + fffd + fffd + u"B"_s;
    QTest::newRow("lead before space") << hex("812041") << fffd + u" A"_s;
    QTest::newRow("lead before DEL") << hex("817f41") << fffd + u"\x7f" "A"_s;
    QTest::newRow("lead before invalid byte") << hex("82ff41") << fffd + fffd + u"A"_s;
    QTest::newRow("unmapped pair is one character") << hex("85404182a0") << fffd + u"Aあ"_s;
    QTest::newRow("unmapped lead EB") << hex("eb40eb") << fffd + fffd;
    QTest::newRow("truncated pair at end") << hex("418a") << u"A"_s + fffd;
    QTest::newRow("lead byte alone") << hex("82") << fffd;
}

void TestCodecs::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(ShiftJis::decode(bytes), text);
}

// Every code CP932 decodes encodes back to itself, or, where several codes (or the NFC form)
// share a character, to the preferred code of the normalised character.
void TestCodecs::roundTrip()
{
    for (int b = 0; b < 0x100; ++b) {
        const QByteArray single(1, char(b));
        const QString text = ShiftJis::decode(single);
        if (text != fffd)
            QCOMPARE(ShiftJis::encode(text), single);
    }

    QHash<QString, int> preferred;
    QList<std::pair<int, QString>> codes;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead == 0xA0)
            lead = 0xE0; // A0 to DF are single bytes
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const int code = lead << 8 | trail;
            const QString text = ShiftJis::decode(codeBytes(code));
            if (text == fffd)
                continue;
            QCOMPARE(text.size(), 1);
            codes.append({code, text});
            auto it = preferred.find(text);
            if (it == preferred.end())
                preferred.insert(text, code);
            else if (preference(code) < preference(*it))
                *it = code;
        }
    }
    // Kana and the JIS kanji levels alone are well over 6,000 codes.
    QVERIFY2(codes.size() > 6000, qPrintable(QString::number(codes.size())));

    for (const auto &[code, text] : codes) {
        const QString nfc = text.normalized(QString::NormalizationForm_C);
        const int expected = preferred.value(nfc, preferred.value(text));
        QVERIFY2(ShiftJis::encode(text) == codeBytes(expected),
                 qPrintable(u"%1 U+%2 encodes as %3, expected %4"_s.arg(code, 4, 16)
                                .arg(text.at(0).unicode(), 4, 16)
                                .arg(QString::fromLatin1(ShiftJis::encode(text).toHex()))
                                .arg(expected, 4, 16)));
    }
}

void TestCodecs::macJapanese_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ASCII and line endings") << QByteArray("a/b\rc\r\nd\n") << u"a/b\rc\r\nd\n"_s;
    QTest::newRow("曲名 line") << hex("8bc896bc095c3530300d") << u"曲名\t¥500\r"_s;
    QTest::newRow("5C is ¥") << hex("5c") << u"¥"_s;
    QTest::newRow("80 is backslash") << hex("80") << u"\\"_s;
    QTest::newRow("A0 is no-break space") << hex("a0") << u"\u00A0"_s;
    QTest::newRow("FD FE FF") << hex("fdfeff") << u"©™…"_s;
    QTest::newRow("81 5C dash") << hex("815c") << u"\u2014"_s;
    QTest::newRow("81 60 wave dash") << hex("8160") << u"\u301C"_s;
    QTest::newRow("81 61 double bar") << hex("8161") << u"\u2016"_s;
    QTest::newRow("81 7C minus") << hex("817c") << u"\u2212"_s;
    QTest::newRow("81 91 81 92 81 CA") << hex("8191819281ca") << u"¢£¬"_s;
    QTest::newRow("5C and 80 as trail bytes") << hex("835c8180") << u"ソ÷"_s;
    QTest::newRow("84 40 is CP932") << hex("8440") << u"\u0410"_s;
    QTest::newRow("Apple symbols 85 40") << hex("8540") << fffd;
    QTest::newRow("Apple symbols with ASCII trail") << hex("854142") << fffd + u"B"_s;
    QTest::newRow("87 40 is not NEC's ①") << hex("8740") << fffd;
    QTest::newRow("88 9E") << hex("889e") << fffd;
    QTest::newRow("88 9F 亜") << hex("889f") << u"亜"_s;
    QTest::newRow("EA A4 熙") << hex("eaa4") << u"熙"_s;
    QTest::newRow("vertical forms EB EC ED") << hex("eb40ec9fed40") << fffd + fffd + fffd;
    QTest::newRow("EE EF is CP932") << hex("eeef") << u"ⅰ"_s;
    QTest::newRow("lead before Apple single byte") << hex("82fd") << fffd + u"©"_s;
    QTest::newRow("truncated pair at end") << hex("5c8a") << u"¥"_s + fffd;
}

void TestCodecs::macJapanese()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(MacJapanese::decode(bytes), text);
}

void TestCodecs::exportedList_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("no mark: Mac Japanese") << hex("5c8bc80d") << u"¥曲\r"_s;
    QTest::newRow("no mark: FE alone is Mac Japanese") << hex("fe41") << u"™A"_s;
    QTest::newRow("UTF-8") << hex("efbbbf") + u"曲 ¥\\\r"_s.toUtf8() << u"曲 ¥\\\r"_s;
    QTest::newRow("UTF-8 mark only") << hex("efbbbf") << QString();
    QTest::newRow("UTF-8 invalid") << hex("efbbbf41ff42") << u"A"_s + fffd + u"B"_s;
    QTest::newRow("UTF-16LE") << hex("fffef26641000d00") << u"曲A\r"_s;
    QTest::newRow("UTF-16BE") << hex("feff66f20041000d") << u"曲A\r"_s;
    QTest::newRow("UTF-16 mark only") << hex("feff") << QString();
    QTest::newRow("UTF-16LE surrogate pair") << hex("fffe3cd8b5df") << u"\U0001F3B5"_s;
    QTest::newRow("UTF-16BE lone surrogate") << hex("feffd83c0041") << fffd + u"A"_s;
    QTest::newRow("UTF-16LE odd last byte") << hex("fffe410042") << u"A"_s + fffd;
}

void TestCodecs::exportedList()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TextCodec::decodeExportedList(bytes), text);
}

void TestCodecs::encodeTitlesBenchmark()
{
    const QStringList kinds = {
        u"残酷な天使のテーゼ"_s,
        u"夜に駆ける 〜Remix〜"_s,
        u"千本桜 feat. 初音ミク"_s,
        u"ｶﾗｵｹ ﾊﾞｰｼﾞｮﾝ"_s,
        u"Bohemian Rhapsody - Remastered 2011"_s,
        u"Beyoncé – Halo \U0001F3B5"_s,
        u"ハ\u309Aラダイス"_s,
        u"Track"_s,
    };
    QStringList titles;
    for (int i = 0; i < 20000; ++i)
        titles.append(u"%1 %2"_s.arg(i % 100, 2, 10, QChar(u'0')).arg(kinds.at(i % kinds.size())));

    qsizetype total = 0;
    QBENCHMARK {
        total = 0;
        for (const QString &title : titles)
            total += ShiftJis::encode(title).size();
    }
    QVERIFY(total > 0);
}

QTEST_GUILESS_MAIN(TestCodecs)
#include "test_codecs.moc"
