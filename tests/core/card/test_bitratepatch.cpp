#include "core/card/BitratePatch.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace CardFormat;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kPatched = QByteArray::fromHex("0001F4000001F400");

QByteArray be32(quint32 v)
{
    QByteArray out(4, '\0');
    qToBigEndian(v, out.data());
    return out;
}

QByteArray be16(quint16 v)
{
    QByteArray out(2, '\0');
    qToBigEndian(v, out.data());
    return out;
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}

QByteArray fullBox(const char *type, const QByteArray &payload)
{
    return box(type, QByteArray(4, '\0') + payload);
}

// Filler that never reads as one of the recognised bitrates.
QByteArray filler(int size)
{
    return QByteArray(size, char(0x11));
}

struct M4a {
    quint32 maxBitrate = 320000;
    quint32 avgBitrate = 320000;
    bool textTrackFirst = true;
    bool largeFreeBox = false;       // a 64-bit sized box before moov
    char esFlags = 0;                // dependsOn, URL and OCR fields in the ES descriptor
    quint16 sampleEntryVersion = 0;  // QuickTime sound description versions 1 and 2
    bool wave = false;               // esds inside a 'wave' box
    bool longLengths = true;         // descriptor lengths in four bytes, as iTunes writes
    int decoderConfigLength = 0;     // override of the decoder config's length (0: real one)

    QByteArray descriptor(char tag, const QByteArray &body, int length = -1) const
    {
        const int n = length < 0 ? int(body.size()) : length;
        QByteArray head(1, tag);
        if (longLengths)
            head += QByteArray::fromHex("808080");
        return head + char(n) + body;
    }

    QByteArray esds() const
    {
        const QByteArray decoderConfig = QByteArray::fromHex("4015001800") + be32(maxBitrate)
            + be32(avgBitrate) + descriptor(0x05, QByteArray::fromHex("1210"));
        QByteArray es = be16(1) + esFlags;
        if (esFlags & 0x80)
            es += be16(7);
        if (esFlags & 0x40)
            es += char(5) + QByteArray("u.mp4");
        if (esFlags & 0x20)
            es += be16(9);
        es += descriptor(0x04, decoderConfig,
                         decoderConfigLength ? decoderConfigLength : -1);
        es += descriptor(0x06, QByteArray(1, 0x02));
        return fullBox("esds", descriptor(0x03, es));
    }

    QByteArray audioTrack() const
    {
        QByteArray entry = QByteArray(6, '\0') + be16(1) + be16(sampleEntryVersion)
            + QByteArray(6, '\0') + be16(2) + be16(16) + be32(0) + be32(44100u << 16);
        if (sampleEntryVersion == 1)
            entry += filler(16);
        entry += wave ? box("wave", box("frma", "mp4a") + esds()) : esds();
        const QByteArray stbl = box("stbl", fullBox("stsd", be32(1) + box("mp4a", entry))
                                                + fullBox("stts", filler(8)));
        const QByteArray minf = box("minf", fullBox("smhd", filler(4)) + stbl);
        const QByteArray mdia = box("mdia", fullBox("mdhd", filler(20))
                                                + fullBox("hdlr", filler(4) + "soun" + filler(13))
                                                + minf);
        return box("trak", fullBox("tkhd", filler(80)) + mdia);
    }

    static QByteArray textTrack()
    {
        const QByteArray stbl = box("stbl", fullBox("stsd", be32(1) + box("text", filler(40))));
        return box("trak", box("mdia", box("minf", stbl)));
    }

    QByteArray file() const
    {
        QByteArray out = box("ftyp", "M4A " + be32(0) + "M4A mp42isom");
        if (largeFreeBox)
            out += be32(1) + "free" + QByteArray(4, '\0') + be32(16 + 300) + filler(300);
        QByteArray moov = fullBox("mvhd", filler(96));
        if (textTrackFirst)
            moov += textTrack();
        moov += audioTrack();
        moov += box("udta", filler(200));
        out += box("moov", moov);
        QByteArray audio(3000, '\0');
        for (int i = 0; i < audio.size(); ++i)
            audio[i] = char(i * 7 + 3);
        return out + box("mdat", audio);
    }

    // Where the walk should find maxBitrate.
    qint64 bitrateOffset() const
    {
        const QByteArray f = file();
        const QByteArray field = be32(maxBitrate) + be32(avgBitrate);
        const qint64 at = f.indexOf(field);
        return f.indexOf(field, at + 1) < 0 ? at : -1;  // must be unique to be meaningful
    }
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Sets a box's 32-bit size field at the box found by its type.
QByteArray withSize(QByteArray file, const char *type, quint32 size, bool last = false)
{
    const qsizetype at = last ? file.lastIndexOf(type) : file.indexOf(type);
    return file.replace(at - 4, 4, be32(size));
}

} // namespace

Q_DECLARE_METATYPE(M4a)

class TestBitratePatch final : public QObject {
    Q_OBJECT

private slots:
    void fixedOffset_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("patched");
        const auto twice = [](quint32 v) { return be32(v) + be32(v); };
        for (quint32 v : {320000u, 224000u, 160000u, 192000u, 196000u, 256000u})
            QTest::addRow("%u", v) << 1000 << twice(v) << 1 << true;
        QTest::newRow("256000 with average 250000") << 1000 << (be32(256000) + be32(250000))
                                                    << 1 << true;
        QTest::newRow("128000 left") << 1000 << twice(128000) << 1 << false;
        QTest::newRow("96000 left") << 1000 << twice(96000) << 1 << false;
        QTest::newRow("only the second number high") << 1000 << (be32(96000) + be32(320000))
                                                      << 1 << false;
        QTest::newRow("patch off") << 1000 << twice(320000) << 0 << false;
        QTest::newRow("mode 2 is off") << 1000 << twice(320000) << 2 << false;
        QTest::newRow("file ends inside the field") << 476 << twice(320000) << 1 << false;
        QTest::newRow("file ends at 480") << 480 << twice(320000) << 1 << true;
    }
    void fixedOffset()
    {
        QFETCH(int, size);
        QFETCH(QByteArray, field);
        QFETCH(int, mode);
        QFETCH(bool, patched);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SDS_0000.3G2"_s);
        QByteArray before(size, char(0xEE));
        before.replace(472, 8, field);
        before.truncate(size);
        writeAll(path, before);

        QCOMPARE(patchBitrate(path, mode),
                 patched ? PatchResult::Patched : PatchResult::Unchanged);
        QByteArray expected = before;
        if (patched)
            expected.replace(472, 8, kPatched);
        QCOMPARE(readAll(path), expected);
    }

    void missingFileNotCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SDS_0001.3G2"_s);
        QCOMPARE(patchBitrate(path, 1), PatchResult::CannotOpen);
        QVERIFY(!QFileInfo::exists(path));
    }

    void boxWalk_data()
    {
        QTest::addColumn<M4a>("m4a");
        QTest::addColumn<bool>("patched");
        QTest::newRow("320000 after a text track") << M4a{} << true;
        QTest::newRow("audio track alone") << M4a{.textTrackFirst = false} << true;
        QTest::newRow("256000 average 250000")
            << M4a{.maxBitrate = 256000, .avgBitrate = 250000} << true;
        QTest::newRow("one-byte descriptor lengths") << M4a{.longLengths = false} << true;
        QTest::newRow("64-bit box before moov") << M4a{.largeFreeBox = true} << true;
        QTest::newRow("ES descriptor optional fields") << M4a{.esFlags = char(0xE0)} << true;
        QTest::newRow("sound description version 1 in wave")
            << M4a{.sampleEntryVersion = 1, .wave = true} << true;
        QTest::newRow("128000 left") << M4a{.maxBitrate = 128000, .avgBitrate = 128000}
                                     << false;
        QTest::newRow("130000, not one of the six") << M4a{.maxBitrate = 130000, .avgBitrate = 130000}
                                                    << true;
        QTest::newRow("unknown maximum, average 211195")
            << M4a{.maxBitrate = 0, .avgBitrate = 211195} << true;
        QTest::newRow("unknown maximum, average 128000")
            << M4a{.maxBitrate = 0, .avgBitrate = 128000} << false;
        QTest::newRow("maximum 128000 rules over a higher average")
            << M4a{.maxBitrate = 128000, .avgBitrate = 200000} << false;
        QTest::newRow("decoder config too short")
            << M4a{.decoderConfigLength = 9} << false;
    }
    void boxWalk()
    {
        QFETCH(M4a, m4a);
        QFETCH(bool, patched);
        const QByteArray before = m4a.file();
        const qint64 offset = m4a.bitrateOffset();
        QVERIFY(offset > 0);
        QVERIFY(offset != kFixedBitrateOffset);
        QVERIFY(!isRecognisedBitrate(qFromBigEndian<quint32>(before.constData() + 472)));

        QTemporaryDir dir;
        const QString path = dir.filePath(u"SDS_0002.3G2"_s);
        writeAll(path, before);
        QCOMPARE(patchBitrate(path, 1), patched ? PatchResult::Patched : PatchResult::Unchanged);
        QByteArray expected = before;
        if (patched)
            expected.replace(offset, 8, kPatched);
        QCOMPARE(readAll(path), expected);

        if (m4a.decoderConfigLength == 0) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(findEsdsBitrateOffset(file), std::optional<qint64>(offset));
        }
    }

    // GStreamer's muxer leaves the maximum at 0 and puts the esds after the audio data.
    void fileMuxedByGStreamer()
    {
        const QString gstLaunch = QStandardPaths::findExecutable(u"gst-launch-1.0"_s);
        QVERIFY2(!gstLaunch.isEmpty(), "gst-launch-1.0 is missing: run scripts/install-deps.sh");
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SDS_0004.3G2"_s);
        QProcess gst;
        // White noise keeps the encoder near the asked-for bitrate.
        gst.start(gstLaunch, {u"-q"_s, u"audiotestsrc"_s, u"wave=white-noise"_s, u"num-buffers=100"_s, u"!"_s,
                              u"audioconvert"_s, u"!"_s, u"avenc_aac"_s, u"bitrate=320000"_s, u"!"_s, u"mp4mux"_s,
                              u"!"_s, u"filesink"_s, u"location="_s + path});
        QVERIFY(gst.waitForFinished(60000));
        QVERIFY2(gst.exitStatus() == QProcess::NormalExit && gst.exitCode() == 0, gst.readAllStandardError().constData());

        const QByteArray before = readAll(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<qint64> offset = findEsdsBitrateOffset(file);
        file.close();
        QVERIFY(offset);
        QVERIFY(*offset > kFixedBitrateOffset + 8);
        QVERIFY(!isRecognisedBitrate(qFromBigEndian<quint32>(before.constData() + kFixedBitrateOffset)));
        QCOMPARE(qFromBigEndian<quint32>(before.constData() + *offset), 0u);
        QVERIFY(qFromBigEndian<quint32>(before.constData() + *offset + 4) > kPatchedBitrate);

        QCOMPARE(patchBitrate(path, 1), PatchResult::Patched);
        QCOMPARE(readAll(path), QByteArray(before).replace(*offset, 8, kPatched));
        // Once patched it is left alone.
        QCOMPARE(patchBitrate(path, 1), PatchResult::Unchanged);
    }

    // Damaged structures: nothing is written and the walk ends.
    void damagedBoxesLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray good = M4a{}.file();
        const qsizetype esds = good.indexOf("esds");
        QTest::newRow("cut inside moov") << good.left(good.indexOf("stbl"));
        QTest::newRow("cut inside esds") << good.left(esds + 20);
        QTest::newRow("cut after esds header") << good.left(esds + 4);
        QTest::newRow("trak runs past moov")
            << withSize(good, "trak", quint32(good.size()), true);
        QTest::newRow("moov runs past the file")
            << withSize(good, "moov", quint32(good.size() + 100));
        QTest::newRow("box smaller than its header") << withSize(good, "stsd", 4);
        QTest::newRow("zero-size box before moov") << withSize(good, "ftyp", 0);

        QByteArray largeZero = M4a{.largeFreeBox = true}.file();
        const qsizetype free = largeZero.indexOf("free");
        QTest::newRow("64-bit size of 0")
            << QByteArray(largeZero).replace(free + 4, 8, QByteArray(8, '\0'));
        QTest::newRow("64-bit size past the file")
            << QByteArray(largeZero).replace(free + 4, 8, QByteArray::fromHex("7FFFFFFFFFFFFFFF"));

        // ES descriptor length (four-byte form) claiming more than the esds holds.
        QByteArray esLong = good;
        esLong[esds + 8 + 4] = char(0x7F);
        QTest::newRow("descriptor runs past esds") << esLong;

        QTest::newRow("not an MP4 at all") << QByteArray(5000, char(0xEE));
        QTest::newRow("empty") << QByteArray();
    }
    void damagedBoxesLeftAlone()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SDS_0003.3G2"_s);
        writeAll(path, content);
        QCOMPARE(patchBitrate(path, 1), PatchResult::Unchanged);
        QCOMPARE(readAll(path), content);
    }
};

QTEST_GUILESS_MAIN(TestBitratePatch)
#include "test_bitratepatch.moc"
