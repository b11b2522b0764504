#include "core/platform/ColonPath.h"
#include "core/platform/FileItem.h"
#include "core/platform/VolumeTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// パフューム and がっこう as stored by a system that decomposes names (NFD).
const QString kNfdName = u"\u30CF\u309A\u30D5\u30E5\u30FC\u30E0 \u304B\u3099\u3063\u3053\u3046.m4a"_s;

QByteArray pattern(qsizetype size)
{
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char((i * 31 + i / 4096) & 0xff);
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Volume makeVolume(const QString &name, const QString &mountPoint)
{
    Volume v;
    v.name = name;
    v.mountPoint = mountPoint;
    return v;
}

QStringList names(const QList<Volume> &volumes)
{
    QStringList out;
    for (const Volume &v : volumes)
        out.append(v.name + u'=' + v.mountPoint);
    return out;
}

} // namespace

class TestPaths final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void roundTrip_data();
    void roundTrip();
    void namesNotUtf8RoundTrip_data();
    void namesNotUtf8RoundTrip();
    void refusedPaths_data();
    void refusedPaths();
    void refusedChildNames_data();
    void refusedChildNames();
    void longestPrefix_data();
    void longestPrefix();
    void folderVolumes();

    void parseMountInfo();
    void volumesFromMounts_data();
    void volumesFromMounts();
    void uniqueNames_data();
    void uniqueNames();
    void udevNames_data();
    void udevNames();

    void copy_data();
    void copy();
    void failedCopyLeavesNoFile();
    void modificationTime_data();
    void modificationTime();
    void entriesOrder();
    void entriesFollowChanges();
    void deleteWhileWalking();
    void largeFolderIsReadOnce();
    void alias_data();
    void alias();
    void removeAndCreate();
    void largeSize();

private:
    QString vol(const QString &rel) const { return m_volumes + u'/' + rel; }

    QTemporaryDir m_dir;
    QString m_volumes;
};

void TestPaths::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_volumes = m_dir.path() + u"/volumes"_s;
    for (const QString &v : {u"Card"_s, u"音楽"_s, u"AC:DC"_s})
        QVERIFY(QDir().mkpath(m_volumes + u'/' + v));
    QVERIFY(writeFile(m_volumes + u"/not a volume.txt"_s, "x"));
    qputenv("SONGKITE_VOLUMES", QFile::encodeName(m_volumes));
    VolumeTable::instance().reload();
}

void TestPaths::roundTrip_data()
{
    QTest::addColumn<QString>("posix"); // below the volumes folder
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("colon");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain file") << u"Card/Music/song.m4a"_s << false << u"Card:Music:song.m4a"_s << u"song.m4a"_s;
    QTest::newRow("folder ends in colon") << u"Card/PRIVATE/AU"_s << true << u"Card:PRIVATE:AU:"_s << u"AU"_s;
    QTest::newRow("volume root") << u"Card"_s << true << u"Card:"_s << u"Card"_s;
    QTest::newRow("日本語") << u"音楽/アーティスト/アルバム/01 曲名.m4a"_s << false
                         << u"音楽:アーティスト:アルバム:01 曲名.m4a"_s << u"01 曲名.m4a"_s;
    QTest::newRow("NFD name kept") << u"Card/"_s + kNfdName << false << u"Card:"_s + kNfdName << kNfdName;
    QTest::newRow("colon on disk") << u"Card/AC:DC/Back: in Black.m4a"_s << false
                                   << u"Card:AC/DC:Back/ in Black.m4a"_s << u"Back/ in Black.m4a"_s;
    QTest::newRow("colon in volume") << u"AC:DC/x.m4a"_s << false << u"AC/DC:x.m4a"_s << u"x.m4a"_s;
    QTest::newRow("blanks and dots") << u"Card/ a . b /..c"_s << false << u"Card: a . b :..c"_s << u"..c"_s;
}

void TestPaths::roundTrip()
{
    QFETCH(QString, posix);
    QFETCH(bool, folder);
    QFETCH(QString, colon);
    QFETCH(QString, name);
    const QString full = vol(posix);
    if (folder)
        QVERIFY(QDir().mkpath(full));
    else
        QVERIFY(writeFile(full, "data"));

    const FileItem item(full);
    QCOMPARE(item.colonPath(), colon);
    QCOMPARE(item.name(), name);

    const FileItem back = FileItem::fromColonPath(colon);
    QVERIFY(!back.isNull());
    QCOMPARE(back.posixBytes(), QFile::encodeName(full)); // byte for byte, no normalisation
    QVERIFY(back.exists());
    QCOMPARE(back.isFolder(), folder);

    // The same item reached name by name from its volume.
    const ColonPath::Parts parts = *ColonPath::split(colon);
    FileItem walked = FileItem::fromColonPath(parts.volume + u':');
    for (const QString &n : parts.names)
        walked = walked.child(n);
    QCOMPARE(walked, item);

    // And found among its folder's entries under the same name.
    if (!parts.names.isEmpty()) {
        const FileItem parent = item.parent();
        QVERIFY(parent.entries().contains(item));
        QCOMPARE(parent.child(name), item);
    }
}

void TestPaths::namesNotUtf8RoundTrip_data()
{
    QTest::addColumn<QByteArray>("name"); // on disk, in the folder Card/bytes
    QTest::addColumn<QByteArray>("other"); // a neighbour that must keep its own colon path
    QTest::addColumn<QString>("colonName");
    const auto escaped = [](uchar byte) { return QString(QChar(char16_t(0xDC00 + byte))); };

    QTest::newRow("Latin-1 è beside é") << QByteArray("caf\xe8.m4a") << QByteArray("caf\xe9.m4a")
                                        << u"caf"_s + escaped(0xe8) + u".m4a"_s;
    QTest::newRow("lone continuation byte") << QByteArray("\x80song.m4a") << QByteArray("\x81song.m4a")
                                            << escaped(0x80) + u"song.m4a"_s;
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf.m4a") << QByteArray("a\xc0\xae.m4a")
                                    << u"a"_s + escaped(0xc0) + escaped(0xaf) + u".m4a"_s;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80.m4a") << QByteArray("\xef\xbf\xbd.m4a")
                                       << escaped(0xed) + escaped(0xa0) + escaped(0x80) + u".m4a"_s;
    QTest::newRow("cut sequence after 日本") << QByteArray("日本\xe8\xaa") << QByteArray("日本語")
                                        << u"日本"_s + escaped(0xe8) + escaped(0xaa);
    // Valid UTF-8 whose first character reads like a byte-order mark keeps it.
    QTest::newRow("byte-order mark first") << QByteArray("\xef\xbb\xbfsong.m4a") << QByteArray("song.m4a")
                                           << u"\ufeffsong.m4a"_s;
    QTest::newRow("colon beside a stray byte") << QByteArray("AC:DC \xff.m4a") << QByteArray("AC:DC \xfe.m4a")
                                               << u"AC/DC "_s + escaped(0xff) + u".m4a"_s;
}

// Names that are not UTF-8 keep apart and come back byte for byte: two songs that differ
// in one such byte are two songs, not one song twice.
void TestPaths::namesNotUtf8RoundTrip()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, other);
    QFETCH(QString, colonName);
    const QByteArray folder = QFile::encodeName(vol(u"Card/bytes/"_s)) + QTest::currentDataTag();
    QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
    for (const QByteArray &n : {name, other}) {
        const int fd = ::open((folder + '/' + n).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY2(fd >= 0, n.constData());
        QCOMPARE(::write(fd, n.constData(), size_t(n.size())), ssize_t(n.size()));
        ::close(fd);
    }

    const FileItem item = FileItem::fromPosixBytes(folder + '/' + name);
    const FileItem neighbour = FileItem::fromPosixBytes(folder + '/' + other);
    const QString colon = item.colonPath();
    QCOMPARE(item.name(), colonName);
    QVERIFY(colon.endsWith(u':' + colonName));
    QVERIFY(colon != neighbour.colonPath());
    QCOMPARE(ColonPath::nameToDisk(colonName), name);
    QCOMPARE(ColonPath::nameFromDisk(name), colonName);

    // Back from the colon path, from the name in its folder and among the folder's entries.
    const FileItem back = FileItem::fromColonPath(colon);
    QCOMPARE(back.posixBytes(), folder + '/' + name);
    QCOMPARE(back.colonPath(), colon);
    QCOMPARE(FileItem::fromColonPath(neighbour.colonPath()).posixBytes(), folder + '/' + other);
    QCOMPARE(item.parent().child(colonName), item);
    QVERIFY(item.parent().entries().contains(item));
    QFile f;
    const int fd = ::open(back.posixBytes().constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QVERIFY(f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    QCOMPARE(f.readAll(), name);
}

void TestPaths::refusedPaths_data()
{
    QTest::addColumn<QString>("colon");
    QTest::newRow("parent") << u"Card:..:..:etc:passwd"_s;
    QTest::newRow("parent at end") << u"Card:Music:.."_s;
    QTest::newRow("dot") << u"Card:.:Music"_s;
    QTest::newRow("empty inner name") << u"Card:Music::song.m4a"_s;
    QTest::newRow("two trailing colons") << u"Card:Music::"_s;
    QTest::newRow("no volume") << u":Music:song.m4a"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("unknown volume") << u"Nowhere:Music"_s;
    QTest::newRow("volume named by path") << u"..:Card"_s;
    QTest::newRow("NUL in name") << u"Card:a\0b"_s;
}

void TestPaths::refusedPaths()
{
    QFETCH(QString, colon);
    QVERIFY(FileItem::fromColonPath(colon).isNull());
    QVERIFY(!VolumeTable::instance().toPosix(colon));
}

void TestPaths::refusedChildNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << u"."_s;
    QTest::newRow("dot dot") << u".."_s;
    QTest::newRow("colon") << u"a:b"_s;
    QTest::newRow("colon up") << u"..:etc"_s;
    // Stand-ins that no name on disk reads as: they would give back another name.
    QTest::newRow("valid UTF-8 spelled as escaped bytes") << u"caf"_s + QChar(0xDCC3) + QChar(0xDCA9);
    QTest::newRow("lone high surrogate") << u"caf"_s + QChar(0xD800);
    QTest::newRow("low surrogate below the escapes") << u"caf"_s + QChar(0xDC41);
}

void TestPaths::refusedChildNames()
{
    QFETCH(QString, name);
    const FileItem card = FileItem::fromColonPath(u"Card:");
    QVERIFY(!card.isNull());
    QVERIFY(card.child(name).isNull());
}

void TestPaths::longestPrefix_data()
{
    QTest::addColumn<QString>("posix");
    QTest::addColumn<QString>("colon");
    QTest::newRow("inner mount") << u"/mnt/data/card/PRIVATE/x"_s << u"NO NAME:PRIVATE:x"_s;
    QTest::newRow("inner mount root") << u"/mnt/data/card"_s << u"NO NAME:"_s;
    QTest::newRow("outer mount") << u"/mnt/data/a"_s << u"Data:a"_s;
    QTest::newRow("name sharing a prefix") << u"/mnt/data/cardx"_s << u"Data:cardx"_s;
    QTest::newRow("shorter sibling") << u"/mnt/dat/a"_s << u"Dat:a"_s;
    QTest::newRow("root") << u"/mnt/datafile"_s << u"Linux:mnt:datafile"_s;
    QTest::newRow("root itself") << u"/"_s << u"Linux:"_s;
}

void TestPaths::longestPrefix()
{
    QFETCH(QString, posix);
    QFETCH(QString, colon);
    // Deliberately not in prefix order.
    const VolumeTable table(QList<Volume>{makeVolume(u"Data"_s, u"/mnt/data"_s),
                                          makeVolume(u"NO NAME"_s, u"/mnt/data/card"_s),
                                          makeVolume(u"Linux"_s, u"/"_s), makeVolume(u"Dat"_s, u"/mnt/dat"_s)});
    QCOMPARE(table.toColon(posix), colon);
    QCOMPARE(table.toPosix(colon).value_or("?"), QFile::encodeName(posix));
}

void TestPaths::folderVolumes()
{
    VolumeTable &table = VolumeTable::instance();
    const QList<Volume> before = table.volumes();
    QCOMPARE(names(before), (QStringList{u"AC/DC="_s + vol(u"AC:DC"_s), u"Card="_s + vol(u"Card"_s),
                                          u"音楽="_s + vol(u"音楽"_s)}));
    for (const Volume &v : before) {
        QVERIFY(v.ejectable);
        QVERIFY(v.capacityBytes > 0);
        QVERIFY(v.freeBytes >= 0 && v.freeBytes <= v.capacityBytes);
    }

    // A path outside every volume has no colon path; a volume's root has no parent.
    QCOMPARE(FileItem(m_dir.path()).colonPath(), QString());
    QVERIFY(FileItem::fromColonPath(u"Card:").parent().isNull());

    // A card inserted later shows up without a reload.
    QVERIFY(FileItem::fromColonPath(u"NO NAME:").isNull());
    QVERIFY(QDir().mkdir(vol(u"NO NAME"_s)));
    const std::optional<Volume> card = table.volume(u"NO NAME"_s);
    QVERIFY(card);
    QCOMPARE(card->mountPoint, vol(u"NO NAME"_s));
    QCOMPARE(FileItem::fromColonPath(u"NO NAME:PRIVATE").posixPath(), vol(u"NO NAME/PRIVATE"_s));
    QVERIFY(QDir().rmdir(vol(u"NO NAME"_s)));
    QVERIFY(!table.volume(u"NO NAME"_s));
}

void TestPaths::parseMountInfo()
{
    const QByteArray text =
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "garbage line\n"
        "40 22 8:17 / /media/me/my\\040card rw shared:5 master:2 - vfat /dev/sdb1 rw,uid=1000\n"
        "41 22 0:45 /sub /mnt/back\\134slash rw - tmpfs tmp\\040fs rw";
    const QList<MountEntry> m = VolumeTable::parseMountInfo(text);
    QCOMPARE(m.size(), 3);
    QCOMPARE(m[0].mountPoint, u"/"_s);
    QCOMPARE(m[0].fsType, u"ext4"_s);
    QCOMPARE(m[1].major, 8u);
    QCOMPARE(m[1].minor, 17u);
    QCOMPARE(m[1].mountPoint, u"/media/me/my card"_s);
    QCOMPARE(m[1].fsType, u"vfat"_s);
    QCOMPARE(m[1].source, u"/dev/sdb1"_s);
    QCOMPARE(m[2].mountPoint, u"/mnt/back\\slash"_s);
    QCOMPARE(m[2].source, u"tmp fs"_s);
}

void TestPaths::volumesFromMounts_data()
{
    QTest::addColumn<QByteArray>("mountInfo");
    QTest::addColumn<QStringList>("labels"); // source=label
    QTest::addColumn<QStringList>("expected"); // name=mount point, in order

    const QByteArray root = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    QTest::newRow("phone card without label")
        << root + "2 1 8:17 / /media/me/1A2B-3C4D rw - vfat /dev/sdb1 rw\n" << QStringList()
        << QStringList{u"Linux=/"_s, u"NO NAME=/media/me/1A2B-3C4D"_s};
    QTest::newRow("labels, root labelled")
        << root + "2 1 8:17 / /run/media/me/x rw - exfat /dev/sdb1 rw\n"
                  "3 1 8:33 / /mnt/backup rw - ext4 /dev/sdc1 rw\n"
        << QStringList{u"/dev/sda1=システム"_s, u"/dev/sdb1=Songs:2024"_s}
        << QStringList{u"システム=/"_s, u"Songs/2024=/run/media/me/x"_s, u"backup=/mnt/backup"_s};
    QTest::newRow("two cards share NO NAME")
        << root + "2 1 8:17 / /media/me/AAAA-0001 rw - vfat /dev/sdb1 rw\n"
                  "3 1 8:33 / /media/me/NO\\040NAME rw - msdos /dev/sdc1 rw\n"
                  "4 1 8:49 / /media/me/c rw - vfat /dev/sdd1 rw\n"
        << QStringList{u"/dev/sdc1=NO NAME"_s}
        << QStringList{u"Linux=/"_s, u"NO NAME=/media/me/AAAA-0001"_s, u"NO NAME 1=/media/me/NO NAME"_s,
                       u"NO NAME 2=/media/me/c"_s};
    QTest::newRow("only under media, run/media and mnt")
        << root + "2 1 0:5 / /proc rw - proc proc rw\n"
                  "3 1 8:3 / /home rw - ext4 /dev/sda3 rw\n"
                  "4 1 8:17 / /mediafoo rw - vfat /dev/sdb1 rw\n"
                  "5 1 0:40 / /media/me/auto rw - autofs systemd-1 rw\n"
                  "6 1 8:33 / /mnt rw - ext4 /dev/sdc1 rw\n"
        << QStringList() << QStringList{u"Linux=/"_s, u"mnt=/mnt"_s};
    QTest::newRow("mounted over keeps the last")
        << root + "2 1 8:17 / /media/me/card rw - ext4 /dev/sdb1 rw\n"
                  "3 1 8:33 / /media/me/other rw - ext4 /dev/sdc1 rw\n"
                  "4 2 8:49 / /media/me/card rw - vfat /dev/sdd1 rw\n"
        << QStringList{u"/dev/sdb1=Old"_s}
        << QStringList{u"Linux=/"_s, u"other=/media/me/other"_s, u"NO NAME=/media/me/card"_s};
}

void TestPaths::volumesFromMounts()
{
    QFETCH(QByteArray, mountInfo);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, expected);
    const auto labelOf = [&labels](const MountEntry &m) {
        for (const QString &l : labels) {
            if (l.startsWith(m.source + u'='))
                return l.mid(m.source.size() + 1);
        }
        return QString();
    };
    QCOMPARE(names(VolumeTable::volumesFromMounts(VolumeTable::parseMountInfo(mountInfo), labelOf)), expected);
}

void TestPaths::uniqueNames_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("distinct") << QStringList{u"A"_s, u"B"_s} << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("three alike") << QStringList{u"A"_s, u"B"_s, u"A"_s, u"A"_s}
                                 << QStringList{u"A"_s, u"B"_s, u"A 1"_s, u"A 2"_s};
    QTest::newRow("suffix already taken") << QStringList{u"A"_s, u"A"_s, u"A 1"_s}
                                          << QStringList{u"A"_s, u"A 2"_s, u"A 1"_s};
}

void TestPaths::uniqueNames()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, expected);
    QList<Volume> volumes;
    for (const QString &n : given)
        volumes.append(makeVolume(n, u"/mnt/"_s + n));
    VolumeTable::makeNamesUnique(volumes);
    QStringList got;
    for (const Volume &v : volumes)
        got.append(v.name);
    QCOMPARE(got, expected);
}

void TestPaths::udevNames_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("label");
    QTest::newRow("blank") << QByteArray("NO\\x20NAME") << u"NO NAME"_s;
    QTest::newRow("slash") << QByteArray("a\\x2fb") << u"a/b"_s;
    QTest::newRow("escaped UTF-8") << QByteArray("\\xe9\\x9f\\xb3楽") << u"音楽"_s;
    QTest::newRow("not an escape") << QByteArray("x\\xZZ\\x2") << u"x\\xZZ\\x2"_s;
}

void TestPaths::udevNames()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, label);
    QCOMPARE(VolumeTable::decodeUdevName(entry), label);
}

void TestPaths::copy_data()
{
    QTest::addColumn<bool>("sourceThere");
    QTest::addColumn<int>("destinationKind"); // 0 missing, 1 existing file, 2 folder
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("copied"); // where the bytes must be afterwards, or empty

    QTest::newRow("copied") << true << 0 << 0 << u"SDS_0000.3G2"_s;
    QTest::newRow("into a folder") << true << 2 << 0 << u"SDS_0000.3G2/曲.m4a"_s;
    QTest::newRow("destination exists") << true << 1 << int(EEXIST) << QString();
    QTest::newRow("missing source") << false << 0 << int(ENOENT) << QString();
}

void TestPaths::copy()
{
    QFETCH(bool, sourceThere);
    QFETCH(int, destinationKind);
    QFETCH(int, error);
    QFETCH(QString, copied);
    QTemporaryDir dir(vol(u"Card/copy-XXXXXX"_s));
    const QByteArray bytes = pattern(3 * 1024 * 1024 + 17); // several chunks and a tail
    const FileItem source(dir.filePath(u"src/曲.m4a"_s));
    QVERIFY(QDir().mkpath(dir.filePath(u"src"_s)));
    if (sourceThere)
        QVERIFY(writeFile(source.posixPath(), bytes));
    const FileItem dest(dir.filePath(u"SDS_0000.3G2"_s));
    if (destinationKind == 1)
        QVERIFY(writeFile(dest.posixPath(), "keep me"));
    if (destinationKind == 2)
        QCOMPARE(dest.createFolder(), 0);

    QCOMPARE(source.copyTo(dest), error);
    if (!copied.isEmpty()) {
        QCOMPARE(readFile(dir.filePath(copied)), bytes);
        QCOMPARE(FileItem(dir.filePath(copied)).size(), bytes.size());
    }
    if (destinationKind == 1)
        QCOMPARE(readFile(dest.posixPath()), QByteArray("keep me"));
    if (destinationKind == 0 && error != 0)
        QVERIFY(!dest.exists());
}

void TestPaths::failedCopyLeavesNoFile()
{
    // A file-size limit makes the copy fail part way, after a short write, as a full card
    // would.
    QTemporaryDir dir(vol(u"Card/full-XXXXXX"_s));
    const FileItem source(dir.filePath(u"big.m4a"_s));
    QVERIFY(writeFile(source.posixPath(), pattern(2 * 1024 * 1024)));
    const FileItem folder(dir.path());
    QCOMPARE(folder.count(), 1);
    const FileItem dest = folder.child(u"SDS_0001.3G2"_s);

    rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int error = source.copyTo(dest);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(error, int(EFBIG));
    QVERIFY(!dest.exists());
    QCOMPARE(folder.count(), 1);
}

void TestPaths::modificationTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::newRow("card date") << QDateTime(QDate(2006, 5, 4), QTime(3, 2, 1), Qt::UTC);
    QTest::newRow("one minute before") << QDateTime(QDate(2006, 5, 4), QTime(3, 1, 1), Qt::UTC);
    QTest::newRow("after 2038") << QDateTime(QDate(2040, 1, 2), QTime(0, 0, 59), Qt::UTC);
    QTest::newRow("before 1970") << QDateTime(QDate(1969, 12, 31), QTime(23, 59, 58), Qt::UTC);
}

void TestPaths::modificationTime()
{
    QFETCH(QDateTime, time);
    const FileItem item(vol(u"Card/dated.3G2"_s));
    QVERIFY(writeFile(item.posixPath(), "x"));
    QCOMPARE(item.setModificationTime(time), 0);
    QCOMPARE(item.modificationTime().toSecsSinceEpoch(), time.toSecsSinceEpoch());

    const FileItem missing(vol(u"Card/missing.3G2"_s));
    QCOMPARE(missing.setModificationTime(time), int(ENOENT));
    QVERIFY(!missing.modificationTime().isValid());
}

void TestPaths::entriesOrder()
{
    QTemporaryDir dir(vol(u"Card/order-XXXXXX"_s));
    const QStringList onDisk{u"b"_s, u"曲"_s, u"A"_s, u"10"_s, u"a:b"_s, u"_x"_s, u"9"_s, u".hidden"_s};
    for (const QString &n : onDisk)
        QVERIFY(writeFile(dir.filePath(n), "x"));
    // Byte order of the names on disk; shown in colon form.
    const QStringList expected{u".hidden"_s, u"10"_s, u"9"_s, u"A"_s, u"_x"_s, u"a/b"_s, u"b"_s, u"曲"_s};

    const FileItem folder(dir.path());
    QCOMPARE(folder.count(), expected.size());
    QStringList got;
    for (int i = 1; i <= folder.count(); ++i)
        got.append(folder.entry(i).name());
    QCOMPARE(got, expected);
    QStringList all;
    for (const FileItem &e : folder.entries())
        all.append(e.name());
    QCOMPARE(all, expected);
    QVERIFY(folder.entry(0).isNull());
    QVERIFY(folder.entry(expected.size() + 1).isNull());
    QCOMPARE(folder.entry(1).child(u"x"_s).count(), 0); // a file has no entries
    QCOMPARE(folder.child(u"missing"_s).count(), 0);
}

void TestPaths::entriesFollowChanges()
{
    // Changes made behind the program's back show at once, though they fall in the same
    // time-stamp tick as the listing.
    QTemporaryDir dir(vol(u"Card/ext-XXXXXX"_s));
    const FileItem folder(dir.path());
    QVERIFY(writeFile(dir.filePath(u"b"_s), "x"));
    QCOMPARE(folder.count(), 1);
    QVERIFY(writeFile(dir.filePath(u"a"_s), "x"));
    QCOMPARE(folder.count(), 2);
    QCOMPARE(folder.entry(1).name(), u"a"_s);
    QVERIFY(QFile::remove(dir.filePath(u"b"_s)));
    QCOMPARE(folder.count(), 1);
    QVERIFY(QFile::rename(dir.filePath(u"a"_s), dir.filePath(u"c"_s)));
    QCOMPARE(folder.entry(1).name(), u"c"_s);
}

void TestPaths::deleteWhileWalking()
{
    // Delete song and management files by position, staying put after a delete.
    QTemporaryDir dir(vol(u"Card/D_SD-XXXXXX"_s));
    const QStringList files{u"SDS_0000.3G2"_s, u"SDS_0001.3G2"_s, u"SDS_0001.3G2.tmp"_s, u"SD_F_000.MGR"_s,
                            u"readme.txt"_s, u"SDS_0002.3G2"_s};
    for (const QString &n : files)
        QVERIFY(writeFile(dir.filePath(n), "x"));
    QVERIFY(QDir().mkdir(dir.filePath(u"sub.3G2"_s)));
    QVERIFY(writeFile(dir.filePath(u"sub.3G2/inner"_s), "x"));

    const FileItem folder(dir.path());
    const int n = folder.count();
    int pos = 1;
    for (int visit = 0; visit < n; ++visit) {
        const FileItem item = folder.entry(pos);
        const QString name = item.name();
        if (name.endsWith(u".3G2") || name.endsWith(u".3G2.tmp") || name.endsWith(u".MGR")) {
            if (item.remove() != 0)
                ++pos;
        } else {
            ++pos;
        }
    }
    QStringList left;
    for (const FileItem &e : folder.entries())
        left.append(e.name());
    QCOMPARE(left, (QStringList{u"readme.txt"_s, u"sub.3G2"_s}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name), left);
}

void TestPaths::largeFolderIsReadOnce()
{
    QTemporaryDir dir(vol(u"Card/big-XXXXXX"_s));
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const QByteArray path = QFile::encodeName(dir.path()) + "/SDS_" + QByteArray::number(i).rightJustified(5, '0');
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    const FileItem folder(dir.path());
    QElapsedTimer timer;
    timer.start();
    int seen = 0;
    for (int i = 1; i <= folder.count(); ++i)
        seen += folder.entry(i).name().startsWith(u"SDS_") ? 1 : 0;
    QCOMPARE(seen, n);
    // Reading the folder at every step takes minutes.
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void TestPaths::alias_data()
{
    QTest::addColumn<QString>("target"); // empty: a plain entry
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("alias");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<qint64>("size");
    QTest::newRow("file") << QString() << false << false << false << qint64(5);
    QTest::newRow("folder") << QString() << true << false << true << qint64(0);
    QTest::newRow("link to file") << u"real.m4a"_s << false << true << false << qint64(5);
    QTest::newRow("link to folder") << u"realdir"_s << false << true << true << qint64(0);
    QTest::newRow("dangling link") << u"gone"_s << false << true << false << qint64(0);
}

void TestPaths::alias()
{
    QFETCH(QString, target);
    QFETCH(bool, folder);
    QFETCH(bool, alias);
    QFETCH(bool, isFolder);
    QFETCH(qint64, size);
    QTemporaryDir dir(vol(u"Card/alias-XXXXXX"_s));
    QVERIFY(writeFile(dir.filePath(u"real.m4a"_s), "12345"));
    QVERIFY(QDir().mkdir(dir.filePath(u"realdir"_s)));
    const QString path = dir.filePath(u"item"_s);
    if (!target.isEmpty())
        QVERIFY(QFile::link(target, path));
    else if (folder)
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(writeFile(path, "12345"));

    const FileItem item(path);
    QVERIFY(item.exists());
    QCOMPARE(item.isAlias(), alias);
    QCOMPARE(item.isFolder(), isFolder);
    QCOMPARE(item.size(), size);
}

void TestPaths::removeAndCreate()
{
    QTemporaryDir dir(vol(u"Card/rm-XXXXXX"_s));
    const FileItem folder(dir.path());
    const FileItem created = folder.child(u"PRIVATE"_s);
    QCOMPARE(created.createFolder(), 0);
    QVERIFY(created.isFolder());
    QCOMPARE(created.createFolder(), int(EEXIST));
    QCOMPARE(folder.child(u"no:such"_s).createFolder(), int(EINVAL));
    QCOMPARE(folder.child(u"a"_s).child(u"b"_s).createFolder(), int(ENOENT));

    QVERIFY(writeFile(dir.filePath(u"PRIVATE/f"_s), "x"));
    QCOMPARE(created.remove(), int(ENOTEMPTY));
    QVERIFY(created.isFolder());

    // Deleting a link to a folder deletes the link, never what it points to.
    QVERIFY(QFile::link(dir.filePath(u"PRIVATE"_s), dir.filePath(u"link"_s)));
    QCOMPARE(folder.child(u"link"_s).remove(), 0);
    QVERIFY(!folder.child(u"link"_s).exists());
    QVERIFY(QFile::exists(dir.filePath(u"PRIVATE/f"_s)));

    QCOMPARE(created.child(u"f"_s).remove(), 0);
    QCOMPARE(created.remove(), 0);
    QVERIFY(!created.exists());
    QCOMPARE(created.remove(), int(ENOENT));
    QCOMPARE(FileItem().remove(), int(EINVAL));
}

void TestPaths::largeSize()
{
    const FileItem item(vol(u"Card/large.m4a"_s));
    QFile f(item.posixPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    if (!f.resize(5'000'000'123LL))
        QSKIP("this file system cannot hold a 5 GB sparse file");
    f.close();
    QCOMPARE(item.size(), 5'000'000'123LL);
    QCOMPARE(item.remove(), 0);
}

QTEST_GUILESS_MAIN(TestPaths)
#include "test_paths.moc"
