#include "core/library/LibraryBridge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestBridge final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_scripts = m_tmp->path() + u"/scripts"_s;
        m_volumes = m_tmp->path() + u"/volumes"_s;
        QVERIFY(QDir().mkpath(m_scripts));
        QVERIFY(QDir().mkpath(m_volumes + u"/NO NAME"_s));
        qputenv("SONGKITE_VOLUMES", m_volumes.toUtf8());
    }

    void answersWithStandardOutput_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("answer");
        QTest::newRow("arguments in order") << u"printf '%s|' \"$@\""_s << QStringList{u"a b"_s, u"2"_s, QString()}
                                            << u"a b|2||"_s;
        QTest::newRow("UTF-8 both ways") << u"printf '%s曲' \"$1\""_s << QStringList{u"プレイリスト"_s}
                                         << u"プレイリスト曲"_s;
        QTest::newRow("one final line feed dropped") << u"echo one; echo"_s << QStringList{} << u"one\n"_s;
        QTest::newRow("carriage returns kept") << u"printf 'a\\t3\\rb\\t4\\r'"_s << QStringList{}
                                               << u"a\t3\rb\t4\r"_s;
        QTest::newRow("non-zero exit is empty") << u"echo partial; exit 3"_s << QStringList{} << QString();
        QTest::newRow("standard error ignored") << u"echo noise >&2; printf ok"_s << QStringList{} << u"ok"_s;
    }
    void answersWithStandardOutput()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, params);
        QFETCH(QString, answer);
        writeScript(u"gMList"_s, body);
        const LibraryBridge bridge(m_scripts);
        QCOMPARE(bridge.call(u"gMList"_s, params), answer);
    }

    void missingOrUnusableScriptAnswersEmpty_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << u"iniTunes"_s;
        QTest::newRow("not executable") << u"plain"_s;
        QTest::newRow("a folder") << u"folder"_s;
        QTest::newRow("path outside the folder") << u"../outside"_s;
        QTest::newRow("empty name") << QString();
    }
    void missingOrUnusableScriptAnswersEmpty()
    {
        QFETCH(QString, name);
        QFile plain(m_scripts + u"/plain"_s);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("#!/bin/sh\necho no\n");
        plain.close();
        QVERIFY(QDir().mkpath(m_scripts + u"/folder"_s));
        writeScript(u"outside"_s, u"echo escaped"_s, m_tmp->path());
        const LibraryBridge bridge(m_scripts);
        QCOMPARE(bridge.call(name), QString());
    }

    void hungScriptGivesUpAtTheTimeLimit()
    {
        writeScript(u"gPlayLists"_s, u"printf early; sleep 30; echo late"_s);
        const LibraryBridge bridge(m_scripts, 300);
        QElapsedTimer t;
        t.start();
        QCOMPARE(bridge.call(u"gPlayLists"_s), QString());
        QVERIFY2(t.elapsed() < 10000, "the call must end soon after its limit");
        QCOMPARE(LibraryBridge().timeLimitMs(), 15000);
    }

    void nativeVolumeAnswers()
    {
        const LibraryBridge bridge(m_scripts);
        const QStringList fields = bridge.call(u"volume-info"_s, {u"NO NAME"_s}).split(u',');
        QCOMPARE(fields.size(), 3);
        QVERIFY(fields.at(0).toDouble() > 0);
        QVERIFY(fields.at(1).toDouble() >= fields.at(0).toDouble());
        QCOMPARE(fields.at(2), u"true"_s); // every volume of the folder table is ejectable
        const double mib = bridge.call(u"volume-free"_s, {u"NO NAME"_s}).toDouble();
        // The same free space in the other unit; other processes may write in between, so
        // the two readings agree within 1 %, well below the 4.9 % a unit mix-up makes.
        const double bytesFromMib = mib * 1048576.0;
        const double bytesFromMb = fields.at(0).toDouble() * 1e6;
        QVERIFY2(qAbs(bytesFromMib - bytesFromMb) < std::max(1048576.0, bytesFromMb / 100),
                 qPrintable(u"%1 vs %2"_s.arg(bytesFromMib).arg(bytesFromMb)));
        QCOMPARE(bridge.call(u"volume-info"_s, {u"Missing"_s}), QString());
        QCOMPARE(bridge.call(u"volume-free"_s, {}), QString());
    }

    void scriptReplacesNativeAnswer()
    {
        writeScript(u"volume-info"_s, u"printf '1.5,2,false'"_s);
        const LibraryBridge bridge(m_scripts);
        QCOMPARE(bridge.call(u"volume-info"_s, {u"NO NAME"_s}), u"1.5,2,false"_s);
    }

    void megabytesAreExactDecimals_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<qint64>("unit");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << qint64(1000000) << u"0"_s;
        QTest::newRow("whole") << qint64(2000000000) << qint64(1000000) << u"2000"_s;
        QTest::newRow("fraction") << qint64(123456700) << qint64(1000000) << u"123.4567"_s;
        QTest::newRow("one byte") << qint64(1) << qint64(1000000) << u"0.000001"_s;
        QTest::newRow("mebibyte") << qint64(1572864) << qint64(1048576) << u"1.5"_s;
        QTest::newRow("large card") << qint64(63999934464) << qint64(1000000) << u"63999.934464"_s;
    }
    void megabytesAreExactDecimals()
    {
        QFETCH(qint64, bytes);
        QFETCH(qint64, unit);
        QFETCH(QString, text);
        QCOMPARE(LibraryBridge::megabytes(bytes, unit), text);
    }

private:
    void writeScript(const QString &name, const QString &body, const QString &dir = {})
    {
        QFile f((dir.isEmpty() ? m_scripts : dir) + u'/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((u"#!/bin/sh\n"_s + body + u'\n').toUtf8());
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_scripts;
    QString m_volumes;
};

QTEST_GUILESS_MAIN(TestBridge)
#include "test_bridge.moc"
