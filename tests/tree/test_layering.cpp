// Keeps the include layers of src/ honest: reads every #include of every .h and .cpp and
// complains, with file, line and include, about one that goes against the layers, a core
// file that includes a header of a Qt module that draws, an include of a file that is not
// there, and folders that include each other round a cycle.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The rules, in one place.
//
// Layers, lowest first. A folder may include its own files and any folder of a lower
// layer. Inside an ordered layer the folders are listed lowest first and a folder may also
// include those before it; the folders of the top layer are peers and include none of
// each other.
struct Layer {
    QString name;
    QStringList folders;
    bool ordered;
};
const QList<Layer> kLayers = {
    {u"core"_s,
     {u"core/platform"_s, u"core/prefs"_s, u"core/card"_s, u"core/songlist"_s, u"core/library"_s,
      u"core/sources"_s, u"core/destination"_s, u"core/transfer"_s, u"core/cardedit"_s},
     true},
    {u"gui"_s,
     {u"gui/widgets"_s, u"gui/songlist"_s, u"gui/sources"_s, u"gui/transfer"_s, u"gui/cardedit"_s, u"gui/prefs"_s,
      u"gui/compact"_s, u"gui/main"_s},
     true},
    {u"top"_s, {u"app"_s, u"cli"_s, u"bench"_s}, false},
};
// A folder that may not include a lower layer all the same: the command-line tool runs
// without windows.
const QList<std::pair<QString, QString>> kBarredLayers = {{u"cli"_s, u"gui"_s}};
// The layer that is Qt Core only, and the Qt modules whose headers it may not include.
const QString kCoreLayer = u"core"_s;
const QStringList kDrawingModules = {
    u"QtGui"_s,        u"QtWidgets"_s,       u"QtMultimedia"_s,   u"QtMultimediaWidgets"_s,
    u"QtOpenGL"_s,     u"QtOpenGLWidgets"_s, u"QtPrintSupport"_s, u"QtSvg"_s,
    u"QtSvgWidgets"_s,
};

struct Place {
    int layer = -1;
    int rank = -1;
};

std::optional<Place> placeOf(const QString &folder)
{
    for (int l = 0; l < kLayers.size(); ++l) {
        const qsizetype rank = kLayers[l].folders.indexOf(folder);
        if (rank >= 0)
            return Place{l, int(rank)};
    }
    return std::nullopt;
}

// Why `from` may not include `to`; empty when it may. Both are folders of the table.
QString directionFault(const QString &from, const QString &to)
{
    const Place a = *placeOf(from);
    const Place b = *placeOf(to);
    if (a.layer < b.layer)
        return u"%1 is in a higher layer than %2"_s.arg(to, from);
    if (a.layer > b.layer) {
        if (kBarredLayers.contains(std::pair(from, kLayers[b.layer].name)))
            return u"%1 may not include %2"_s.arg(from, kLayers[b.layer].name);
        return {};
    }
    if (!kLayers[a.layer].ordered)
        return u"%1 and %2 are peers"_s.arg(from, to);
    if (a.rank < b.rank)
        return u"%1 is a higher area than %2"_s.arg(to, from);
    return {};
}

// The drawing module a <header> belongs to, found among Qt's installed headers; empty for
// any other header.
QString drawingModuleOf(const QString &header, const QString &qtHeaders)
{
    for (const QString &module : kDrawingModules) {
        if (header == module || header.startsWith(module + u'/')
            || QFileInfo(qtHeaders + u'/' + module + u'/' + header).isFile())
            return module;
    }
    return {};
}

// Files the build writes next to the sources' objects (moc, uic); they are never in src/.
bool isGenerated(const QString &name)
{
    const QString file = name.section(u'/', -1);
    return file.endsWith(u".moc"_s) || file.startsWith(u"moc_"_s) || file.startsWith(u"ui_"_s);
}

QString folderOf(const QString &relativePath)
{
    const qsizetype slash = relativePath.lastIndexOf(u'/');
    return slash < 0 ? QString() : relativePath.left(slash);
}

// The folder-level cycles: one per group of folders that reach each other, through its
// smallest folder, each step with the first include that makes it.
QStringList folderCycles(const QMap<QString, QMap<QString, QString>> &edges)
{
    // Tarjan's strongly connected components.
    QHash<QString, int> index, low;
    QSet<QString> onStack;
    QStringList stack;
    QList<QStringList> groups;
    int next = 0;
    std::function<void(const QString &)> visit = [&](const QString &v) {
        index[v] = low[v] = next++;
        stack.append(v);
        onStack.insert(v);
        for (const QString &w : edges.value(v).keys()) {
            if (!index.contains(w)) {
                visit(w);
                low[v] = std::min(low[v], low[w]);
            } else if (onStack.contains(w)) {
                low[v] = std::min(low[v], index[w]);
            }
        }
        if (low[v] == index[v]) {
            QStringList group;
            QString w;
            do {
                w = stack.takeLast();
                onStack.remove(w);
                group.append(w);
            } while (w != v);
            if (group.size() > 1)
                groups.append(group);
        }
    };
    for (const QString &v : edges.keys()) {
        if (!index.contains(v))
            visit(v);
    }

    QStringList out;
    for (QStringList group : groups) {
        group.sort();
        const QSet<QString> members(group.cbegin(), group.cend());
        // Shortest way from the smallest folder back to itself, inside the group.
        const QString start = group.first();
        QHash<QString, QString> cameFrom;
        QStringList queue = {start};
        QString last;
        for (qsizetype i = 0; i < queue.size() && last.isEmpty(); ++i) {
            for (const QString &w : edges.value(queue[i]).keys()) {
                if (w == start) {
                    last = queue[i];
                    break;
                }
                if (members.contains(w) && !cameFrom.contains(w)) {
                    cameFrom.insert(w, queue[i]);
                    queue.append(w);
                }
            }
        }
        QStringList path = {start};
        for (QString v = last; v != start; v = cameFrom.value(v))
            path.insert(1, v);
        path.append(start);
        QStringList via;
        for (qsizetype i = 0; i + 1 < path.size(); ++i)
            via.append(edges.value(path[i]).value(path[i + 1]));
        QString line = u"folder cycle: %1 (%2)"_s.arg(path.join(u" -> "_s), via.join(u", "_s));
        if (group.size() + 1 > path.size())
            line += u"; the knot also holds %1"_s.arg(group.join(u", "_s));
        out.append(line);
    }
    out.sort();
    return out;
}

/// Every complaint about the includes of the .h and .cpp files under `root` (the src/
/// folder), in file and line order, then folders the table does not know, then cycles.
/// `qtHeaders` is the folder holding Qt's module header folders.
QStringList layeringComplaints(const QString &root,
                               const QString &qtHeaders = QLibraryInfo::path(QLibraryInfo::HeadersPath))
{
    const QDir rootDir(root);
    QStringList files;
    QDirIterator it(root, {u"*.h"_s, u"*.cpp"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(rootDir.relativeFilePath(it.next()));
    files.sort();
    if (files.isEmpty())
        return {u"no .h or .cpp files under %1"_s.arg(root)};

    static const QRegularExpression includeLine(u"^\\s*#\\s*include\\s*([<\"])([^>\"]*)[>\"]"_s);
    QStringList out;
    QSet<QString> unknownFolders;
    QMap<QString, QMap<QString, QString>> edges; // from -> to -> first include making it
    for (const QString &file : files) {
        const QString folder = folderOf(file);
        const std::optional<Place> from = placeOf(folder);
        if (!from)
            unknownFolders.insert(folder);
        QFile f(rootDir.filePath(file));
        if (!f.open(QIODevice::ReadOnly)) {
            out.append(u"%1: cannot be read"_s.arg(file));
            continue;
        }
        int lineNumber = 0;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine());
            ++lineNumber;
            const QRegularExpressionMatch m = includeLine.match(line);
            if (!m.hasMatch())
                continue;
            const bool angled = m.captured(1) == u"<"_s;
            const QString name = m.captured(2);
            const QString where = u"%1:%2: #include %3%4%5"_s.arg(
                file, QString::number(lineNumber), m.captured(1), name, angled ? u">"_s : u"\""_s);
            if (angled) {
                if (from && kLayers[from->layer].name == kCoreLayer) {
                    const QString module = drawingModuleOf(name, qtHeaders);
                    if (!module.isEmpty())
                        out.append(u"%1: a %2 header in %3"_s.arg(where, module, kCoreLayer));
                }
                continue;
            }
            if (isGenerated(name))
                continue;
            // As the compiler looks: beside the including file, then from src/.
            QString target;
            for (const QString &candidate :
                 {QDir::cleanPath(folder.isEmpty() ? name : folder + u'/' + name), QDir::cleanPath(name)}) {
                if (!candidate.startsWith(u"../"_s) && candidate != u".."_s
                    && !QDir::isAbsolutePath(candidate) && QFileInfo(rootDir.filePath(candidate)).isFile()) {
                    target = candidate;
                    break;
                }
            }
            if (target.isEmpty()) {
                out.append(u"%1: no such file under src/"_s.arg(where));
                continue;
            }
            const QString to = folderOf(target);
            if (to == folder)
                continue;
            if (!edges[folder].contains(to))
                edges[folder].insert(to, u"%1:%2"_s.arg(file, QString::number(lineNumber)));
            const std::optional<Place> toPlace = placeOf(to);
            if (!toPlace)
                unknownFolders.insert(to);
            if (from && toPlace) {
                const QString fault = directionFault(folder, to);
                if (!fault.isEmpty())
                    out.append(u"%1: %2"_s.arg(where, fault));
            }
        }
    }
    QStringList unknown(unknownFolders.cbegin(), unknownFolders.cend());
    unknown.sort();
    for (const QString &folder : unknown)
        out.append(u"%1: folder not in the layer table"_s.arg(folder.isEmpty() ? u"(src/ itself)"_s : folder));
    out.append(folderCycles(edges));
    return out;
}

using Tree = QList<std::pair<QString, QByteArray>>;

bool plant(const QString &root, const Tree &tree)
{
    for (const auto &[path, text] : tree) {
        const QString full = root + u'/' + path;
        if (!QDir().mkpath(QFileInfo(full).absolutePath()))
            return false;
        QFile f(full);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            return false;
    }
    return true;
}

// A small tree that keeps every rule; rows change or add a file to break one.
const Tree kCleanTree = {
    {u"core/platform/Paths.h"_s, "#pragma once\n#include <QString>\n#include <QRect>\n#include <vector>\n"},
    {u"core/platform/Paths.cpp"_s, "#include \"core/platform/Paths.h\"\n#include \"Paths.h\"\n"},
    {u"core/card/Title.h"_s, "#pragma once\n#include \"core/platform/Paths.h\"\n#include <QSize>\n"},
    {u"core/transfer/Job.h"_s, "#pragma once\n#include \"core/card/Title.h\"\n#include \"core/platform/Paths.h\"\n"},
    {u"core/transfer/Job.cpp"_s, "#include \"core/transfer/Job.h\"\n#include \"Job.moc\"\n"},
    {u"gui/widgets/Busy.h"_s, "#pragma once\n#include <QWidget>\n#include <QColor>\n"},
    {u"gui/main/Window.h"_s,
     "#pragma once\n#include \"gui/widgets/Busy.h\"\n#include \"core/transfer/Job.h\"\n#include <QMainWindow>\n"},
    {u"app/App.cpp"_s, "#include \"gui/main/Window.h\"\n#include \"core/card/Title.h\"\n"},
    {u"bench/main.cpp"_s, "#include \"gui/widgets/Busy.h\"\n"},
    {u"cli/main.cpp"_s, "// #include \"gui/main/Window.h\" is what cli may not do\n#include \"core/transfer/Job.h\"\n"},
};

Tree with(Tree tree, const QString &path, const QByteArray &text)
{
    tree.removeIf([&](const auto &entry) { return entry.first == path; });
    tree.append({path, text});
    return tree;
}

} // namespace

class TestLayering final : public QObject {
    Q_OBJECT

private slots:
    void plantedTrees_data();
    void plantedTrees();
    void emptyRootComplains();
    void sourceTreeKeepsTheLayers();
};

void TestLayering::plantedTrees_data()
{
    QTest::addColumn<Tree>("tree");
    QTest::addColumn<QStringList>("complaints");

    QTest::newRow("clean tree") << kCleanTree << QStringList();

    QTest::newRow("core file includes a gui header")
        << with(kCleanTree, u"core/card/Title.h"_s, "#pragma once\n#include \"gui/widgets/Busy.h\"\n")
        << QStringList{u"core/card/Title.h:2: #include \"gui/widgets/Busy.h\": gui/widgets is in a higher layer than core/card"_s};

    QTest::newRow("card includes transfer")
        << with(kCleanTree, u"core/card/Title.h"_s,
                "#pragma once\n#include \"core/platform/Paths.h\"\n#include \"core/transfer/Job.h\"\n")
        << QStringList{
               u"core/card/Title.h:3: #include \"core/transfer/Job.h\": core/transfer is a higher area than core/card"_s,
               u"folder cycle: core/card -> core/transfer -> core/card (core/card/Title.h:3, core/transfer/Job.h:2)"_s};

    QTest::newRow("two folders include each other")
        << with(kCleanTree, u"core/platform/Paths.cpp"_s,
                "#include \"core/platform/Paths.h\"\n\n#include \"core/prefs/Prefs.h\"\n")
               + Tree{{u"core/prefs/Prefs.h"_s, "#pragma once\n#include \"core/platform/Paths.h\"\n"}}
        << QStringList{
               u"core/platform/Paths.cpp:3: #include \"core/prefs/Prefs.h\": core/prefs is a higher area than core/platform"_s,
               u"folder cycle: core/platform -> core/prefs -> core/platform (core/platform/Paths.cpp:3, core/prefs/Prefs.h:2)"_s};

    QTest::newRow("three folders round a cycle, all in the top layer")
        << kCleanTree
               + Tree{{u"app/Tools.h"_s, "#include \"bench/Tools.h\"\n"},
                      {u"bench/Tools.h"_s, "#include \"cli/Tools.h\"\n"},
                      {u"cli/Tools.h"_s, "#include \"app/Tools.h\"\n"}}
        << QStringList{u"app/Tools.h:1: #include \"bench/Tools.h\": app and bench are peers"_s,
                       u"bench/Tools.h:1: #include \"cli/Tools.h\": bench and cli are peers"_s,
                       u"cli/Tools.h:1: #include \"app/Tools.h\": cli and app are peers"_s,
                       u"folder cycle: app -> bench -> cli -> app (app/Tools.h:1, bench/Tools.h:1, cli/Tools.h:1)"_s};

    QTest::newRow("core file includes <QWidget>")
        << with(kCleanTree, u"core/card/Title.h"_s, "#pragma once\n#include \"core/platform/Paths.h\"\n#include <QWidget>\n")
        << QStringList{u"core/card/Title.h:3: #include <QWidget>: a QtWidgets header in core"_s};

    QTest::newRow("core includes of drawing modules, beside Qt Core ones")
        << with(kCleanTree, u"core/platform/Paths.cpp"_s,
                "#include <QRect>\n#include <QColor>\n#include <QtWidgets/QLabel>\n#include <QPoint>\n"
                "  #  include <QApplication>\n#include <QMediaPlayer>\n#include <qpushbutton.h>\n#include <QtGui>\n"
                "#include <QSize>\n#include <QCoreApplication>\n")
        << QStringList{u"core/platform/Paths.cpp:2: #include <QColor>: a QtGui header in core"_s,
                       u"core/platform/Paths.cpp:3: #include <QtWidgets/QLabel>: a QtWidgets header in core"_s,
                       u"core/platform/Paths.cpp:5: #include <QApplication>: a QtWidgets header in core"_s,
                       u"core/platform/Paths.cpp:6: #include <QMediaPlayer>: a QtMultimedia header in core"_s,
                       u"core/platform/Paths.cpp:7: #include <qpushbutton.h>: a QtWidgets header in core"_s,
                       u"core/platform/Paths.cpp:8: #include <QtGui>: a QtGui header in core"_s};

    QTest::newRow("missing file")
        << with(kCleanTree, u"core/card/Title.h"_s,
                "#pragma once\n#include \"core/card/Gone.h\"\n#include \"../../card/Title.h\"\n#include \"Title.h\"\n")
        << QStringList{u"core/card/Title.h:2: #include \"core/card/Gone.h\": no such file under src/"_s,
                       u"core/card/Title.h:3: #include \"../../card/Title.h\": no such file under src/"_s};

    QTest::newRow("cli includes gui")
        << with(kCleanTree, u"cli/main.cpp"_s, "#include \"core/transfer/Job.h\"\n#include \"gui/widgets/Busy.h\"\n")
        << QStringList{u"cli/main.cpp:2: #include \"gui/widgets/Busy.h\": cli may not include gui"_s};

    QTest::newRow("folder not in the table")
        << kCleanTree + Tree{{u"core/extra/Extra.h"_s, "#include \"core/platform/Paths.h\"\n"}}
        << QStringList{u"core/extra: folder not in the layer table"_s};
}

void TestLayering::plantedTrees()
{
    QFETCH(Tree, tree);
    QFETCH(QStringList, complaints);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(plant(dir.path(), tree));
    QCOMPARE(layeringComplaints(dir.path()), complaints);
}

void TestLayering::emptyRootComplains()
{
    // A wrong source path must not pass as a clean tree.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(layeringComplaints(dir.path() + u"/src"_s),
             QStringList{u"no .h or .cpp files under %1/src"_s.arg(dir.path())});
}

void TestLayering::sourceTreeKeepsTheLayers()
{
    const QStringList complaints = layeringComplaints(QStringLiteral(SONGKITE_SOURCE_DIR));
    if (!complaints.isEmpty())
        QFAIL(qPrintable(u"%1 complaints:\n"_s.arg(complaints.size()) + complaints.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestLayering)
#include "test_layering.moc"
