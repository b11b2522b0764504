#include "core/prefs/Preferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize kScreen{1920, 1080};

// A line as the program writes it: every field followed by a TAB, then a line ending.
QByteArray line(const QStringList &fields)
{
    QString s;
    for (const QString &f : fields)
        s += f + u'\t';
    return (s + u'\n').toUtf8();
}

// Twenty fields with a distinct, in-range value in each, so a shifted field shows.
QStringList typicalFields()
{
    return {u"100"_s, u"80"_s, u"800"_s, u"600"_s, u"NO NAME"_s, u":PRIVATE:AU:DF:D_SD:"_s,
            u"1"_s, u"1"_s, u"123"_s, u"20"_s, u"12"_s, u"8"_s, u"1"_s, u"640"_s, u"480"_s,
            u"1"_s, u"2"_s, u"0"_s, u"50"_s, u"1"_s};
}

QStringList withField(QStringList fields, int number, const QString &value)
{
    fields[number - 1] = value;
    return fields;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

enum class Unreadable { Missing, Folder, Pipe, NoPermission };
enum class WriteBlock { FolderNotWritable, NoRoomForTemporaryName, FolderIsAFile };

} // namespace

class TestPrefs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void absentFileGivesDefaults_data();
    void absentFileGivesDefaults();
    void readsEveryField();
    void emptyOrMissingFields_data();
    void emptyOrMissingFields();
    void textWhereNumberBelongs_data();
    void textWhereNumberBelongs();
    void mainWindowClamp_data();
    void mainWindowClamp();
    void mainWindowFarCorners_data();
    void mainWindowFarCorners();
    void compactWindowClamp_data();
    void compactWindowClamp();
    void addCheckBox_data();
    void addCheckBox();
    void saveWritesTwentyFields();
    void readThenSaveGivesSameLine_data();
    void readThenSaveGivesSameLine();
    void tabOrLineBreakInText_data();
    void tabOrLineBreakInText();
    void failedWriteIsSilent_data();
    void failedWriteIsSilent();
    void saveCreatesMissingFolder();

private:
    QString prefsPath() const { return m_dir->filePath(u"jp.songkite.songkite.prefs"_s); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_lockedFolder;
};

void TestPrefs::init()
{
    preference::resetToInitial();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPrefs::cleanup()
{
    if (!m_lockedFolder.isEmpty())
        QFile::setPermissions(m_lockedFolder, QFile::ReadOwner | QFile::WriteOwner
                                                  | QFile::ExeOwner);
    m_lockedFolder.clear();
    m_dir.reset();
}

void TestPrefs::absentFileGivesDefaults_data()
{
    QTest::addColumn<Unreadable>("kind");
    QTest::newRow("no file") << Unreadable::Missing;
    QTest::newRow("folder of that name") << Unreadable::Folder;
    QTest::newRow("named pipe of that name") << Unreadable::Pipe;
    QTest::newRow("no read permission") << Unreadable::NoPermission;
}

void TestPrefs::absentFileGivesDefaults()
{
    QFETCH(Unreadable, kind);
    const QString path = prefsPath();
    switch (kind) {
    case Unreadable::Missing:
        break;
    case Unreadable::Folder:
        QVERIFY(QDir().mkdir(path));
        break;
    case Unreadable::Pipe:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Unreadable::NoPermission:
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(writeBytes(path, line(typicalFields())));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        break;
    }

    const preference::Placement p = preference::readPreferences(path, kScreen);

    QVERIFY(!p.fileFound);
    QVERIFY(!p.addChecked);
    QCOMPARE(preference::titlePartOrder, u"100"_s);
    QCOMPARE(preference::titleNameBytes, 40);
    QCOMPARE(preference::useLibraryInfo, 0);
    QCOMPARE(preference::transferWindowMode, 0);
    QCOMPARE(preference::keepFreeMB, 0);
    QVERIFY(preference::cardVolumeName.isEmpty());
    QCOMPARE(preference::compactWindowBounds[0], 200);
    QCOMPARE(preference::compactWindowBounds[1], 250);
    QCOMPARE(p.compactWindow, QPoint(200, 250));
}

void TestPrefs::readsEveryField()
{
    QVERIFY(writeBytes(prefsPath(), line(typicalFields())));

    const preference::Placement p = preference::readPreferences(prefsPath(), kScreen);

    QVERIFY(p.fileFound);
    QCOMPARE(p.mainWindow, QRect(100, 80, 800, 600));
    QCOMPARE(preference::cardVolumeName, u"NO NAME"_s);
    QCOMPARE(preference::cardFolderPath, u":PRIVATE:AU:DF:D_SD:"_s);
    QCOMPARE(preference::listOpenReplaces, 1);
    QCOMPARE(preference::transferWindowMode, 1);
    QCOMPARE(preference::titlePartOrder, u"123"_s);
    QCOMPARE(preference::titleNameBytes, 20);
    QCOMPARE(preference::titleArtistBytes, 12);
    QCOMPARE(preference::titleAlbumBytes, 8);
    QCOMPARE(preference::bitratePatchMode, 1);
    QCOMPARE(preference::compactWindowBounds[0], 640);
    QCOMPARE(preference::compactWindowBounds[1], 480);
    QCOMPARE(p.compactWindow, QPoint(640, 480));
    QCOMPARE(preference::compactShuffle, 1);
    QCOMPARE(preference::selectButtonMode, 2);
    QCOMPARE(preference::useLibraryInfo, 0);
    QCOMPARE(preference::keepFreeMB, 50);
    QVERIFY(p.addChecked);
}

void TestPrefs::emptyOrMissingFields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("titleIdx");
    QTest::addColumn<int>("nameBytes");
    QTest::addColumn<int>("itunes");
    QTest::addColumn<int>("keepSpace");
    QTest::addColumn<QString>("volume");

    QStringList empties = typicalFields();
    for (int field : {9, 10, 18, 19})
        empties[field - 1].clear();
    QTest::newRow("fields 9 10 18 19 empty") << line(empties) << u"100"_s << 40 << 1 << 0
                                             << u"NO NAME"_s;

    QStringList zeros = typicalFields();
    for (int field : {9, 10, 18, 19})
        zeros[field - 1] = u"0"_s;
    QTest::newRow("zero is not empty") << line(zeros) << u"0"_s << 0 << 0 << 0 << u"NO NAME"_s;

    QTest::newRow("earlier version, 8 fields")
        << line(typicalFields().mid(0, 8)) << u"100"_s << 40 << 1 << 0 << u"NO NAME"_s;
    QTest::newRow("earlier version, 17 fields, no final TAB, CRLF")
        << QByteArray("100\t80\t800\t600\tSD\t:A:\t0\t0\t321\t30\t0\t0\t0\t10\t50\t0\t1\r\n")
        << u"321"_s << 30 << 1 << 0 << u"SD"_s;
    QTest::newRow("empty file") << QByteArray() << u"100"_s << 40 << 1 << 0 << QString();
}

void TestPrefs::emptyOrMissingFields()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, titleIdx);
    QFETCH(int, nameBytes);
    QFETCH(int, itunes);
    QFETCH(int, keepSpace);
    QFETCH(QString, volume);
    QVERIFY(writeBytes(prefsPath(), content));

    const preference::Placement p = preference::readPreferences(prefsPath(), kScreen);

    QVERIFY(p.fileFound);
    QCOMPARE(preference::titlePartOrder, titleIdx);
    QCOMPARE(preference::titleNameBytes, nameBytes);
    QCOMPARE(preference::useLibraryInfo, itunes);
    QCOMPARE(preference::keepFreeMB, keepSpace);
    QCOMPARE(preference::cardVolumeName, volume);
}

void TestPrefs::textWhereNumberBelongs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("number then text") << u"12abc"_s << 12;
    QTest::newRow("text only") << u"abc"_s << 0;
    QTest::newRow("negative with decimals") << u"-3.9"_s << -3;
    QTest::newRow("beyond 32 bits") << u"99999999999"_s << std::numeric_limits<int>::max();
}

void TestPrefs::textWhereNumberBelongs()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QStringList fields = typicalFields();
    for (int field : {7, 10, 19})
        fields[field - 1] = text;
    QVERIFY(writeBytes(prefsPath(), line(fields)));

    preference::readPreferences(prefsPath(), kScreen);

    QCOMPARE(preference::listOpenReplaces, value);
    QCOMPARE(preference::titleNameBytes, value);
    QCOMPARE(preference::keepFreeMB, value);
}

void TestPrefs::mainWindowClamp_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("placed");

    QTest::newRow("inside stays") << QStringList{u"100"_s, u"80"_s, u"800"_s, u"600"_s}
                                  << kScreen << QRect(100, 80, 800, 600);
    QTest::newRow("left -20 top 10") << QStringList{u"-20"_s, u"10"_s, u"800"_s, u"600"_s}
                                     << kScreen << QRect(5, 45, 800, 600);
    QTest::newRow("right edge beyond SW-7")
        << QStringList{u"1500"_s, u"80"_s, u"800"_s, u"600"_s} << kScreen
        << QRect(1920 - 7 - 800, 80, 800, 600);
    QTest::newRow("bottom edge beyond SH-5")
        << QStringList{u"100"_s, u"700"_s, u"800"_s, u"600"_s} << kScreen
        << QRect(100, 1080 - 5 - 600, 800, 600);
    QTest::newRow("wider and taller than the screen")
        << QStringList{u"100"_s, u"80"_s, u"900"_s, u"800"_s} << QSize(800, 600)
        << QRect(-107, -205, 900, 800);
    // Sizes are held to the window's range before placing: a huge one would put the
    // window off screen, and its right edge must not wrap around either.
    QTest::newRow("width beyond 32 bits")
        << QStringList{u"100"_s, u"80"_s, u"99999999999"_s, u"600"_s} << kScreen
        << QRect(100, 80, 950, 600);
    QTest::newRow("width below 32 bits")
        << QStringList{u"100"_s, u"80"_s, u"-99999999999"_s, u"600"_s} << kScreen
        << QRect(100, 80, 276, 600);
    QTest::newRow("negative size")
        << QStringList{u"100"_s, u"80"_s, u"-500"_s, u"-400"_s} << kScreen
        << QRect(100, 80, 276, 287);
    QTest::newRow("zero size") << QStringList{u"1800"_s, u"80"_s, u"0"_s, u"0"_s} << kScreen
                               << QRect(1920 - 7 - 276, 80, 276, 287);
    QTest::newRow("too large, near the bottom right")
        << QStringList{u"1500"_s, u"900"_s, u"5000"_s, u"4000"_s} << kScreen
        << QRect(1920 - 7 - 950, 1080 - 5 - 850, 950, 850);
}

void TestPrefs::mainWindowClamp()
{
    QFETCH(QStringList, saved);
    QFETCH(QSize, screen);
    QFETCH(QRect, placed);
    QVERIFY(writeBytes(prefsPath(), line(saved + typicalFields().mid(4))));

    QCOMPARE(preference::readPreferences(prefsPath(), screen).mainWindow, placed);
    if (saved[2].size() < 6) // a QRect cannot hold the overflowing one
        QCOMPARE(preference::placeMainWindow(QRect(saved[0].toInt(), saved[1].toInt(),
                                                   saved[2].toInt(), saved[3].toInt()),
                                             screen),
                 placed);
}

void TestPrefs::mainWindowFarCorners_data()
{
    // A QRect can hold corners whose distance no int holds; its width() would overflow.
    constexpr int least = std::numeric_limits<int>::min();
    constexpr int most = std::numeric_limits<int>::max();
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("corners at both ends") << QRect(QPoint(least, least), QPoint(most, most))
                                          << QRect(5, 45, 950, 850);
    QTest::newRow("corners the wrong way round") << QRect(QPoint(most, most), QPoint(least, least))
                                                 << QRect(1920 - 7 - 276, 1080 - 5 - 287, 276, 287);
}

void TestPrefs::mainWindowFarCorners()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, placed);
    QCOMPARE(preference::placeMainWindow(saved, kScreen), placed);
}

void TestPrefs::compactWindowClamp_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QPoint>("placed");

    QTest::newRow("inside stays") << u"640"_s << u"480"_s << QPoint(640, 480);
    QTest::newRow("0,0 in the file") << u"0"_s << u"0"_s << QPoint(5, 45);
    QTest::newRow("empty in the file") << QString() << QString() << QPoint(5, 45);
    QTest::newRow("beyond right and bottom")
        << u"1800"_s << u"1000"_s << QPoint(1920 - 7 - 300, 1080 - 5 - 102);
}

void TestPrefs::compactWindowClamp()
{
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(QPoint, placed);
    QVERIFY(writeBytes(prefsPath(),
                       line(withField(withField(typicalFields(), 14, left), 15, top))));

    const preference::Placement p = preference::readPreferences(prefsPath(), kScreen);

    QCOMPARE(p.compactWindow, placed);
    QCOMPARE(QPoint(preference::compactWindowBounds[0], preference::compactWindowBounds[1]), placed);
}

void TestPrefs::addCheckBox_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("checked");

    const QStringList f = typicalFields();
    QTest::newRow("1") << line(f) << true;
    QTest::newRow("0") << line(withField(f, 20, u"0"_s)) << false;
    QTest::newRow("empty") << line(withField(f, 20, QString())) << false;
    QTest::newRow("true") << line(withField(f, 20, u"true"_s)) << false;
    QTest::newRow("1 with a blank") << line(withField(f, 20, u" 1"_s)) << false;
    QTest::newRow("missing (19 fields)") << line(f.mid(0, 19)) << false;
    QTest::newRow("1 without final TAB, CRLF")
        << (f.join(u'\t') + u"\r\n"_s).toUtf8() << true;
    QTest::newRow("1 then text after the 20th TAB")
        << line(f) + QByteArray("0\tjunk\t\n") << true;
}

void TestPrefs::addCheckBox()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, checked);
    QVERIFY(writeBytes(prefsPath(), content));

    QCOMPARE(preference::readPreferences(prefsPath(), kScreen).addChecked, checked);
}

void TestPrefs::saveWritesTwentyFields()
{
    preference::cardVolumeName = u"NO NAME"_s;
    preference::cardFolderPath = u":PRIVATE:AU:DF:D_SD:"_s;
    preference::listOpenReplaces = 1;
    preference::transferWindowMode = 1;
    preference::titlePartOrder = u"123"_s;
    preference::titleNameBytes = 20;
    preference::titleArtistBytes = 12;
    preference::titleAlbumBytes = 8;
    preference::bitratePatchMode = 1;
    preference::compactWindowBounds = {640, 480, 7, 7};
    preference::compactShuffle = 1;
    preference::selectButtonMode = 2;
    preference::useLibraryInfo = 0;
    preference::keepFreeMB = 50;

    QVERIFY(preference::savePreferences(prefsPath(), QRect(-20, 80, 800, 600), false));

    QCOMPARE(readBytes(prefsPath()),
             QByteArray("-20\t80\t800\t600\tNO NAME\t:PRIVATE:AU:DF:D_SD:\t1\t1\t123\t20\t12\t8\t1"
                        "\t640\t480\t1\t2\t0\t50\t0\t\n"));
}

void TestPrefs::readThenSaveGivesSameLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("volume");

    QTest::newRow("typical") << line(typicalFields()) << u"NO NAME"_s;
    QTest::newRow("日本語のボリューム名")
        << line(withField(withField(typicalFields(), 5, u"音楽カード"_s), 20, u"0"_s))
        << u"音楽カード"_s;
}

void TestPrefs::readThenSaveGivesSameLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, volume);
    QVERIFY(writeBytes(prefsPath(), content));

    const preference::Placement p = preference::readPreferences(prefsPath(), kScreen);
    QCOMPARE(preference::cardVolumeName, volume);
    QVERIFY(preference::savePreferences(prefsPath(), p.mainWindow, p.addChecked));

    QCOMPARE(readBytes(prefsPath()), content);
}

void TestPrefs::tabOrLineBreakInText_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("TAB") << u"NO\tNAME"_s << u"NO NAME"_s;
    QTest::newRow("LF") << u"NO\nNAME"_s << u"NO NAME"_s;
    QTest::newRow("CRLF") << u"カード\r\n"_s << u"カード  "_s;
}

void TestPrefs::tabOrLineBreakInText()
{
    QFETCH(QString, volume);
    QFETCH(QString, readBack);
    preference::cardVolumeName = volume;
    preference::cardFolderPath = u":A\tB:"_s;
    preference::keepFreeMB = 77;
    QVERIFY(preference::savePreferences(prefsPath(), QRect(100, 80, 800, 600), true));

    const QByteArray written = readBytes(prefsPath());
    QCOMPARE(written.count('\t'), 20);
    QCOMPARE(written.count('\n'), 1);
    QVERIFY(written.endsWith("\t\n"));

    preference::resetToInitial();
    const preference::Placement p = preference::readPreferences(prefsPath(), kScreen);
    QCOMPARE(preference::cardVolumeName, readBack);
    QCOMPARE(preference::cardFolderPath, u":A B:"_s);
    QCOMPARE(preference::keepFreeMB, 77);
    QVERIFY(p.addChecked);
}

void TestPrefs::failedWriteIsSilent_data()
{
    QTest::addColumn<WriteBlock>("block");
    QTest::newRow("folder not writable") << WriteBlock::FolderNotWritable;
    QTest::newRow("no room for the temporary file's name")
        << WriteBlock::NoRoomForTemporaryName;
    QTest::newRow("folder path is a file") << WriteBlock::FolderIsAFile;
}

void TestPrefs::failedWriteIsSilent()
{
    QFETCH(WriteBlock, block);
    const QByteArray old = line(typicalFields());
    QString path;
    switch (block) {
    case WriteBlock::FolderNotWritable:
        if (::geteuid() == 0)
            QSKIP("root writes into every folder");
        path = prefsPath();
        QVERIFY(writeBytes(path, old));
        m_lockedFolder = m_dir->path();
        QVERIFY(QFile::setPermissions(m_lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
        break;
    case WriteBlock::NoRoomForTemporaryName:
        // The file itself fits the name limit, the temporary name beside it does not.
        path = m_dir->filePath(QString(250, u'p'));
        QVERIFY(writeBytes(path, old));
        break;
    case WriteBlock::FolderIsAFile:
        QVERIFY(writeBytes(m_dir->filePath(u"config"_s), old));
        path = m_dir->filePath(u"config/jp.songkite.songkite.prefs"_s);
        break;
    }
    preference::keepFreeMB = 999;

    QVERIFY(!preference::savePreferences(path, QRect(1, 2, 3, 4), false));

    if (block == WriteBlock::FolderIsAFile)
        QCOMPARE(readBytes(m_dir->filePath(u"config"_s)), old);
    else
        QCOMPARE(readBytes(path), old);
}

void TestPrefs::saveCreatesMissingFolder()
{
    const QString path = m_dir->filePath(u"config/new/jp.songkite.songkite.prefs"_s);

    QVERIFY(preference::savePreferences(path, QRect(100, 80, 800, 600), true));

    const preference::Placement p = preference::readPreferences(path, kScreen);
    QVERIFY(p.fileFound);
    QVERIFY(p.addChecked);
}

QTEST_GUILESS_MAIN(TestPrefs)
#include "test_prefs.moc"
