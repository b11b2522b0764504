#include "core/prefs/Preferences.h"

#include "core/platform/NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace preference {

namespace {

constexpr int kFieldCount = 20;

// Window edges kept clear of the screen's border and menu bar.
constexpr qint64 kMinLeft = 5;
constexpr qint64 kMinTop = 45;
constexpr qint64 kRightGap = 7;
constexpr qint64 kBottomGap = 5;

// Compact window position used until one has been stored.
constexpr int kCompactDefaultLeft = 200;
constexpr int kCompactDefaultTop = 250;

// Defaults of the card title fields when they carry nothing.
const auto kDefaultTitleOrder = u"100"_s;
constexpr int kDefaultTitleBytes = 40;

int toInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

struct Place {
    int left;
    int top;
};

// Computed in 64 bits: edges read from a file can be anywhere in the int range, and the
// sums must not wrap.
Place clampToScreen(qint64 left, qint64 top, qint64 width, qint64 height, QSize screen)
{
    if (left < kMinLeft)
        left = kMinLeft;
    if (left + width > screen.width() - kRightGap)
        left = screen.width() - width - kRightGap;
    if (top < kMinTop)
        top = kMinTop;
    if (top + height > screen.height() - kBottomGap)
        top = screen.height() - height - kBottomGap;
    return {toInt(left), toInt(top)};
}

// A hand-edited file can hold any size; the window could never take it, and placing by it
// would put the window off screen.
int allowedWidth(qint64 width)
{
    return toInt(std::clamp<qint64>(width, kMainWindowMinimumSize.width(), kMainWindowMaximumSize.width()));
}

int allowedHeight(qint64 height)
{
    return toInt(std::clamp<qint64>(height, kMainWindowMinimumSize.height(), kMainWindowMaximumSize.height()));
}

// The fields in order; a missing field is empty. Only a piece that no TAB ends can carry
// the line ending (a file whose last TAB is missing), so it is dropped there and such a
// file still reads its last field, e.g. "1" for the add box.
QStringList splitFields(const QString &content)
{
    QStringList fields = content.split(u'\t');
    const bool lastTerminated = fields.size() > kFieldCount;
    if (fields.size() > kFieldCount)
        fields.resize(kFieldCount);
    if (!lastTerminated && !fields.isEmpty()) {
        QString &last = fields.last();
        qsizetype end = last.size();
        while (end > 0 && (last[end - 1] == u'\n' || last[end - 1] == u'\r'))
            --end;
        last.truncate(end);
    }
    while (fields.size() < kFieldCount)
        fields.append(QString());
    return fields;
}

// The file is one line of TAB-ended fields; a TAB or line break inside a value would
// shift every later field, so it becomes a blank.
QString oneLine(const QString &value)
{
    QString out = value;
    for (QChar &c : out) {
        switch (c.unicode()) {
        case u'\t':
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case 0x0085:
        case 0x2028:
        case 0x2029:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return out;
}

// Only a regular file is read: a folder or a pipe of that name could not be read, or
// would block the start-up, so it counts as absent.
bool readWhole(const QString &path, QString *content)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *content = QString::fromUtf8(bytes);
    return true;
}

} // namespace

void resetToInitial()
{
    cardVolumeName.clear();
    cardFolderPath.clear();
    listOpenReplaces = 0;
    transferWindowMode = 0;
    titlePartOrder.clear();
    titleNameBytes = 0;
    titleArtistBytes = 0;
    titleAlbumBytes = 0;
    bitratePatchMode = 0;
    compactWindowBounds = {};
    compactShuffle = 0;
    selectButtonMode = 0;
    useLibraryInfo = 0;
    keepFreeMB = 0;
}

QRect placeMainWindow(QRect saved, QSize screen)
{
    // From the corners in 64 bits: QRect::width() wraps when they lie far apart.
    const int width = allowedWidth(qint64(saved.right()) - saved.left() + 1);
    const int height = allowedHeight(qint64(saved.bottom()) - saved.top() + 1);
    const Place p = clampToScreen(saved.x(), saved.y(), width, height, screen);
    return QRect(p.left, p.top, width, height);
}

QPoint placeCompactWindow(QPoint saved, QSize size, QSize screen)
{
    const Place p = clampToScreen(saved.x(), saved.y(), size.width(), size.height(), screen);
    return QPoint(p.left, p.top);
}

Placement readPreferences(const QString &path, QSize screen)
{
    Placement placement;
    QString content;
    if (readWhole(path, &content)) {
        placement.fileFound = true;
        const QStringList f = splitFields(content);
        auto number = [&f](int field) { return NumberText::readsAsInt(f[field - 1]); };

        const int left = number(1);
        const int top = number(2);
        const int width = allowedWidth(number(3));
        const int height = allowedHeight(number(4));

        cardVolumeName = f[4];
        cardFolderPath = f[5];
        listOpenReplaces = number(7);
        transferWindowMode = number(8);
        titlePartOrder = f[8].isEmpty() ? kDefaultTitleOrder : f[8];
        titleNameBytes = f[9].isEmpty() ? kDefaultTitleBytes : number(10);
        titleArtistBytes = number(11);
        titleAlbumBytes = number(12);
        bitratePatchMode = number(13);
        const int left9 = number(14);
        const int top9 = number(15);
        compactShuffle = number(16);
        selectButtonMode = number(17);
        useLibraryInfo = f[17].isEmpty() ? 1 : number(18);
        keepFreeMB = number(19);
        placement.addChecked = f[19] == u"1"_s;

        const Place main = clampToScreen(left, top, width, height, screen);
        placement.mainWindow = QRect(main.left, main.top, width, height);

        const Place compact = clampToScreen(left9, top9, kCompactWindowSize.width(),
                                            kCompactWindowSize.height(), screen);
        compactWindowBounds[0] = compact.left;
        compactWindowBounds[1] = compact.top;
    } else {
        // Without a file the card title would otherwise have no order and no bytes until
        // the user opened the preferences dialog; use what an empty field gives.
        titlePartOrder = kDefaultTitleOrder;
        titleNameBytes = kDefaultTitleBytes;
    }

    if (compactWindowBounds[0] == 0)
        compactWindowBounds[0] = kCompactDefaultLeft;
    if (compactWindowBounds[1] == 0)
        compactWindowBounds[1] = kCompactDefaultTop;
    placement.compactWindow = QPoint(compactWindowBounds[0], compactWindowBounds[1]);
    return placement;
}

QString formatLine(QRect mainWindow, bool addChecked)
{
    const QStringList fields{
        QString::number(mainWindow.x()),
        QString::number(mainWindow.y()),
        QString::number(mainWindow.width()),
        QString::number(mainWindow.height()),
        oneLine(cardVolumeName),
        oneLine(cardFolderPath),
        QString::number(listOpenReplaces),
        QString::number(transferWindowMode),
        oneLine(titlePartOrder),
        QString::number(titleNameBytes),
        QString::number(titleArtistBytes),
        QString::number(titleAlbumBytes),
        QString::number(bitratePatchMode),
        QString::number(compactWindowBounds[0]),
        QString::number(compactWindowBounds[1]),
        QString::number(compactShuffle),
        QString::number(selectButtonMode),
        QString::number(useLibraryInfo),
        QString::number(keepFreeMB),
        addChecked ? u"1"_s : u"0"_s,
    };
    QString line;
    for (const QString &field : fields) {
        line += field;
        line += u'\t';
    }
    line += u'\n';
    return line;
}

bool savePreferences(const QString &path, QRect mainWindow, bool addChecked)
{
    // A fresh account may not have the preferences folder yet; without it every quit
    // would lose the settings.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = formatLine(mainWindow, addChecked).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace preference
