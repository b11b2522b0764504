// The installed program and the Debian package: `cmake --install` into a temporary prefix
// and CPack's package hold the files a desktop and `man` look for, the validators accept
// them, and the installed program finds its scripts with no variable set.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString kAppId = u"jp.songkite.songkite"_s;

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), int timeLimitMs = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(timeLimitMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "did not finish in time";
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString tool(const char *name) { return QStandardPaths::findExecutable(QLatin1String(name)); }

/// Every file the installation must place, relative to the prefix; executables marked.
struct InstalledFile {
    const char *what;
    QString path;
    bool executable;
};

const QList<InstalledFile> &expectedFiles()
{
    static const QList<InstalledFile> files{
        {"the app", u"bin/songkite"_s, true},
        {"the command-line tool", u"bin/songkite-cli"_s, true},
        {"the bridge's scripts", u"share/songkite/scripts/README.md"_s, false},
        {"the desktop entry", u"share/applications/"_s + kAppId + u".desktop"_s, false},
        {"the metainfo", u"share/metainfo/"_s + kAppId + u".metainfo.xml"_s, false},
        {"the icon", u"share/icons/hicolor/scalable/apps/"_s + kAppId + u".svg"_s, false},
        {"the man page", u"share/man/man1/songkite-cli.1.gz"_s, false},
    };
    return files;
}

/// The keys of a desktop entry's [Desktop Entry] group.
QHash<QString, QString> desktopEntryKeys(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inGroup = line == u"[Desktop Entry]"_s;
        else if (inGroup && line.contains(u'=') && !line.startsWith(u'#'))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return keys;
}

/// The command names and the "--option" names a usage text or a man page mentions.
struct Vocabulary {
    QSet<QString> commands;
    QSet<QString> options;
};

Vocabulary helpVocabulary(const QString &help)
{
    Vocabulary v;
    static const QRegularExpression command(u"^  ([a-z][a-z-]*)\\b"_s);
    static const QRegularExpression option(u"--[a-z][a-z-]*"_s);
    bool inCommands = false;
    for (const QString &line : help.split(u'\n')) {
        if (line.startsWith(u"Commands:"_s)) {
            inCommands = true;
            continue;
        }
        if (inCommands && !line.isEmpty() && !line.startsWith(u' '))
            inCommands = false;
        if (const auto m = command.match(line); inCommands && m.hasMatch())
            v.commands.insert(m.captured(1));
        for (auto it = option.globalMatch(line); it.hasNext();)
            v.options.insert(it.next().captured());
    }
    return v;
}

/// From the roff source: the first word of each tagged paragraph of the COMMANDS section,
/// and every option written anywhere ("\-\-name").
Vocabulary manVocabulary(const QString &roff)
{
    Vocabulary v;
    static const QRegularExpression option(u"\\\\-\\\\-[a-z](?:[a-z]|\\\\-)*"_s);
    static const QRegularExpression tagWord(u"^\\.(?:B|BI|BR|I)?\\s*\"?([a-z][a-z-]*)"_s);
    QString section;
    bool tagNext = false;
    for (const QString &line : roff.split(u'\n')) {
        if (line.startsWith(u".SH "_s)) {
            section = line.mid(4).trimmed();
            continue;
        }
        if (section == u"COMMANDS"_s) {
            if (line.startsWith(u".TP"_s)) {
                tagNext = true;
                continue;
            }
            if (tagNext) {
                if (const auto m = tagWord.match(line); m.hasMatch())
                    v.commands.insert(m.captured(1));
                tagNext = false;
            }
        }
        if (line.startsWith(u".\\\""_s))
            continue; // a comment
        for (auto it = option.globalMatch(line); it.hasNext();)
            v.options.insert(it.next().captured().replace(u"\\-"_s, u"-"_s));
    }
    return v;
}

QStringList sorted(const QSet<QString> &set)
{
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void desktopEntry();
    void metainfo();
    void iconIsTheWindowIcon();
    void manPageMatchesHelp();
    void installedProgramFindsItsScripts();
    void debianPackage();

private:
    QString installed(const QString &relative) const { return m_prefix.path() + u'/' + relative; }

    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const Run r = run(QStringLiteral(SONGKITE_CMAKE), {u"--install"_s, QStringLiteral(SONGKITE_BINARY_DIR),
                                                       u"--prefix"_s, m_prefix.path()});
    QVERIFY2(r.code == 0, r.err.constData());
}

void TestInstall::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    for (const InstalledFile &f : expectedFiles())
        QTest::newRow(f.what) << f.path << f.executable;
}

void TestInstall::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(installed(path));
    QVERIFY2(info.isFile(), qPrintable(path));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
}

void TestInstall::desktopEntry()
{
    const QString path = installed(u"share/applications/"_s + kAppId + u".desktop"_s);
    const QString validator = tool("desktop-file-validate");
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: scripts/install-deps.sh installs it");
    const Run r = run(validator, {path});
    QVERIFY2(r.code == 0 && r.out.isEmpty(), (r.out + r.err).constData());

    const QHash<QString, QString> keys = desktopEntryKeys(path);
    QCOMPARE(keys.value(u"Type"_s), u"Application"_s);
    QCOMPARE(keys.value(u"Name"_s), u"Songkite"_s);
    QVERIFY(keys.value(u"Name[ja]"_s).contains(u'ト'));
    QVERIFY(!keys.value(u"Comment"_s).isEmpty());
    QVERIFY(!keys.value(u"Comment[ja]"_s).isEmpty());
    QCOMPARE(keys.value(u"Categories"_s), u"AudioVideo;Audio;"_s);
    // The menu starts what is installed and shows the icon installed beside it.
    const QString exec = keys.value(u"Exec"_s).section(u' ', 0, 0);
    QCOMPARE(exec, u"songkite"_s);
    QVERIFY(QFileInfo(installed(u"bin/"_s + exec)).isExecutable());
    QCOMPARE(keys.value(u"Icon"_s), kAppId);
    QVERIFY(QFileInfo::exists(installed(u"share/icons/hicolor/scalable/apps/"_s + keys.value(u"Icon"_s) + u".svg"_s)));
}

void TestInstall::metainfo()
{
    const QString path = installed(u"share/metainfo/"_s + kAppId + u".metainfo.xml"_s);
    const QString validator = tool("appstreamcli");
    QVERIFY2(!validator.isEmpty(), "appstreamcli is missing: scripts/install-deps.sh installs it");
    const Run r = run(validator, {u"validate"_s, u"--no-net"_s, path});
    QVERIFY2(r.code == 0, (r.out + r.err).constData());

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QString id, launchable, icon, screenshot, release;
    int paragraphs = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"id")
            id = xml.readElementText();
        else if (name == u"launchable")
            launchable = xml.readElementText();
        else if (name == u"icon")
            icon = xml.readElementText();
        else if (name == u"image")
            screenshot = xml.readElementText();
        else if (name == u"p")
            paragraphs += !xml.readElementText().trimmed().isEmpty();
        else if (name == u"release")
            release = xml.attributes().value(u"version"_s).toString();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(id, kAppId);
    QCOMPARE(launchable, kAppId + u".desktop"_s);
    QVERIFY(QFileInfo::exists(installed(u"share/applications/"_s + launchable)));
    QCOMPARE(icon, kAppId);
    QVERIFY(paragraphs >= 2);
    QVERIFY(screenshot.startsWith(u"https://"_s) && screenshot.endsWith(u".png"_s));
    QCOMPARE(release, QStringLiteral(SONGKITE_VERSION));
}

void TestInstall::iconIsTheWindowIcon()
{
    // The menu's icon and the window's icon are one drawing.
    QFile menu(installed(u"share/icons/hicolor/scalable/apps/"_s + kAppId + u".svg"_s));
    QFile window(QStringLiteral(SONGKITE_SOURCE_DIR) + u"/src/gui/main/icon.svg"_s);
    QVERIFY(menu.open(QIODevice::ReadOnly) && window.open(QIODevice::ReadOnly));
    QCOMPARE(menu.readAll(), window.readAll());
}

void TestInstall::manPageMatchesHelp()
{
    const Run help = run(installed(u"bin/songkite-cli"_s), {u"--help"_s});
    QCOMPARE(help.code, 0);
    const Run page = run(u"gzip"_s, {u"-dc"_s, installed(u"share/man/man1/songkite-cli.1.gz"_s)});
    QCOMPARE(page.code, 0);
    const QString roff = QString::fromUtf8(page.out);
    QVERIFY(roff.startsWith(u".\\\""_s) || roff.startsWith(u".TH"_s));
    QVERIFY(roff.contains(u".TH SONGKITE-CLI 1 "_s));
    QVERIFY2(roff.contains(u"\"Songkite "_s + QStringLiteral(SONGKITE_VERSION) + u'"'), "the man page names another version");

    const Vocabulary fromHelp = helpVocabulary(QString::fromUtf8(help.out));
    const Vocabulary fromPage = manVocabulary(roff);
    QVERIFY(fromHelp.commands.contains(u"transfer"_s));
    QVERIFY(fromHelp.options.contains(u"--keep-space"_s));
    QCOMPARE(sorted(fromPage.commands), sorted(fromHelp.commands));
    QCOMPARE(sorted(fromPage.options), sorted(fromHelp.options));

    // man finds and formats the page from the installed tree.
    if (const QString man = tool("man"); !man.isEmpty()) {
        const Run shown = run(man, {u"-l"_s, installed(u"share/man/man1/songkite-cli.1.gz"_s)});
        QCOMPARE(shown.code, 0);
        QVERIFY(QString::fromUtf8(shown.out).contains(u"songkite-cli"_s));
    }
}

void TestInstall::installedProgramFindsItsScripts()
{
    // A volume-free script in the installed scripts folder reports no room: when the
    // installed program finds it, the transfer asks it and copies nothing; the native
    // answer (the temporary folder's real free space) would let the song through.
    const QString scripts = installed(u"share/songkite/scripts"_s);
    const QString script = scripts + u"/volume-free"_s;
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/asked\"\necho 0\n");
    }
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString card = root.path() + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s;
    const QString music = root.path() + u"/volumes/HD/Music/Band/Best"_s;
    QVERIFY(QDir().mkpath(card) && QDir().mkpath(music) && QDir().mkpath(root.path() + u"/prefs"_s));
    {
        QFile song(music + u"/01 Intro.m4a"_s);
        QVERIFY(song.open(QIODevice::WriteOnly));
        song.write(QByteArray(3 * 1024 * 1024, 'x'));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"SONGKITE_SCRIPTS"_s);
    env.insert(u"SONGKITE_VOLUMES"_s, root.path() + u"/volumes"_s);
    env.insert(u"SONGKITE_PREFS_DIR"_s, root.path() + u"/prefs"_s);
    env.insert(u"SONGKITE_HOME"_s, root.path() + u"/home"_s);
    const Run r = run(installed(u"bin/songkite-cli"_s),
                      {u"transfer"_s, u"--add"_s, u"--keep-space"_s, u"1"_s, u"--no-patch-bitrate"_s,
                       u"--to"_s, card, root.path() + u"/volumes/HD/Music"_s},
                      env);
    QVERIFY2(r.code >= 0, r.err.constData());
    QFile asked(scripts + u"/asked"_s);
    QVERIFY2(asked.open(QIODevice::ReadOnly), "the installed program did not run the installed script");
    QCOMPARE(asked.readAll(), QByteArray("NO NAME\n"));
    QCOMPARE(QDir(card).entryList({u"*.3G2"_s}, QDir::Files), QStringList());
    QFile::remove(script);
    QFile::remove(asked.fileName());
}

void TestInstall::debianPackage()
{
    const QString dpkgDeb = tool("dpkg-deb");
    if (dpkgDeb.isEmpty())
        QSKIP("dpkg-deb is not installed: no Debian package to list");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QElapsedTimer clock;
    clock.start();
    const Run made = run(QStringLiteral(SONGKITE_CPACK),
                         {u"--config"_s, QStringLiteral(SONGKITE_BINARY_DIR) + u"/CPackConfig.cmake"_s,
                          u"-G"_s, u"DEB"_s, u"-B"_s, out.path()},
                         QProcessEnvironment::systemEnvironment(), 90000);
    QVERIFY2(made.code == 0, (made.out + made.err).constData());
    qInfo("the package took %lld ms", qint64(clock.elapsed()));
    const QStringList debs = QDir(out.path()).entryList({u"*.deb"_s}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = out.path() + u'/' + debs.first();
    QVERIFY(debs.first().startsWith(u"songkite_"_s + QStringLiteral(SONGKITE_VERSION) + u'_'));

    const Run listing = run(dpkgDeb, {u"-c"_s, deb});
    QCOMPARE(listing.code, 0);
    QSet<QString> paths;
    for (const QString &line : QString::fromUtf8(listing.out).split(u'\n', Qt::SkipEmptyParts)) {
        // "-rwxr-xr-x root/root 123 2024-01-01 12:00 ./usr/bin/songkite"
        const QString path = line.section(u' ', -1);
        paths.insert(path);
        if (path == u"./usr/bin/songkite"_s || path == u"./usr/bin/songkite-cli"_s)
            QVERIFY2(line.startsWith(u"-rwxr-xr-x"_s), qPrintable(line));
    }
    for (const InstalledFile &f : expectedFiles())
        QVERIFY2(paths.contains(u"./usr/"_s + f.path), qPrintable(f.path));

    const Run fields = run(dpkgDeb, {u"-f"_s, deb, u"Package"_s, u"Version"_s, u"Depends"_s});
    QCOMPARE(fields.code, 0);
    const QString control = QString::fromUtf8(fields.out);
    QVERIFY(control.contains(u"Package: songkite\n"_s));
    QVERIFY(control.contains(u"Version: "_s + QStringLiteral(SONGKITE_VERSION) + u'\n'));
    const QString depends = control.section(u"Depends: "_s, 1).section(u'\n', 0, 0);
    QStringList named;
    for (const QString &d : depends.split(u',', Qt::SkipEmptyParts))
        named << d.trimmed().section(u' ', 0, 0);
    // Qt 6, the platform plugins, the AAC decoder for the preview, the music library's
    // client, the Japanese font and Qt's Japanese texts.
    for (const QString &runtime : {u"libqt6core6"_s, u"libqt6gui6"_s, u"libqt6widgets6"_s, u"libqt6multimedia6"_s,
                                   u"qt6-qpa-plugins"_s, u"gstreamer1.0-libav"_s, u"gstreamer1.0-plugins-good"_s,
                                   u"libmpdclient2"_s, u"fonts-ipafont-gothic"_s, u"qt6-translations-l10n"_s})
        QVERIFY2(named.contains(runtime), qPrintable(runtime));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
