#include "core/prefs/PrefsForm.h"

#include "core/platform/FileItem.h"
#include "core/platform/NumberText.h"
#include "core/prefs/Preferences.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace PrefsForm {

Destination splitDestination(const QString &text)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return {text, {}};
    return {text.left(colon), text.mid(colon)};
}

int orderDigit(const QString &titlePartOrder, int index)
{
    if (index < 0 || index >= titlePartOrder.size())
        return 0;
    const QChar c = titlePartOrder.at(index);
    return c >= u'0' && c <= u'3' ? c.unicode() - u'0' : 0;
}

void selectOrder(Order &order, int popup, int item, bool force)
{
    if (order[popup] == item && !force)
        return;
    order[popup] = item;
    for (int other = 0; other < 3; ++other) {
        if (other != popup && order[other] == item && item != 0)
            selectOrder(order, other, 0);
    }
    const bool othersBlank = order[ArtistPopup] == 0 && order[AlbumPopup] == 0;
    if (othersBlank && order[TitlePopup] != 1)
        selectOrder(order, TitlePopup, 1);
}

QString storedOrder(Order order)
{
    if (std::find(order.begin(), order.end(), 1) == order.end()) {
        for (int &d : order) {
            if (d > 1)
                --d;
        }
        const auto shown = std::count_if(order.begin(), order.end(), [](int d) { return d != 0; });
        if (shown == 1) {
            for (int &d : order) {
                if (d > 1)
                    d = 1;
            }
        }
    }
    QString text;
    for (int d : order)
        text += QChar(u'0' + d);
    return text;
}

int byteTotal(const std::array<QString, 3> &byteFields)
{
    qint64 total = 0;
    for (const QString &field : byteFields)
        total += NumberText::readsAsInt(field);
    return static_cast<int>(std::clamp<qint64>(total, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString byteCounterText(int total) { return u"= "_s + QString::number(total) + u" Byte"_s; }

bool store(const Fields &fields)
{
    if (byteTotal(fields.bytes) != kTitleBytes)
        return false;
    if (!fields.destination.isEmpty()) {
        const Destination d = splitDestination(fields.destination);
        preference::cardVolumeName = d.volumeName;
        preference::cardFolderPath = d.folderPath;
    }
    preference::titlePartOrder = storedOrder(fields.order);
    preference::titleNameBytes = NumberText::readsAsInt(fields.bytes[TitlePopup]);
    preference::titleArtistBytes = NumberText::readsAsInt(fields.bytes[ArtistPopup]);
    preference::titleAlbumBytes = NumberText::readsAsInt(fields.bytes[AlbumPopup]);
    preference::bitratePatchMode = fields.over128 ? 1 : 0;
    // A popup showing nothing (a stored mode it has no item for) keeps the stored mode
    // rather than writing an index that names no action.
    if (fields.selectButtonMode >= 0)
        preference::selectButtonMode = fields.selectButtonMode;
    preference::useLibraryInfo = fields.useLibraryInfo ? 1 : 0;
    preference::keepFreeMB = fields.keepSpace ? NumberText::readsAsInt(fields.keepSpaceMegabytes) : 0;
    return true;
}

QString volumeTop(const QString &destination)
{
    QString top = splitDestination(destination).volumeName;
    if (!top.endsWith(u':'))
        top += u':';
    return top;
}

CardFolder createCardFolder(const QString &destination)
{
    FileItem folder = FileItem::fromColonPath(volumeTop(destination));
    if (folder.isNull() || !folder.isFolder())
        return {};
    for (const QString &name : {u"PRIVATE"_s, u"AU"_s, u"DF"_s, u"D_SD"_s}) {
        folder = folder.child(name);
        if (folder.isFolder())
            continue;
        // Something that is not a folder under that name fails here too (EEXIST), so the
        // field never points at a card folder that is not there.
        if (const int error = folder.createFolder()) {
            const QString path = folder.colonPath();
            return {CardFolder::Outcome::Failed, path, error};
        }
    }
    return {CardFolder::Outcome::Created, folder.colonPath(), 0};
}

} // namespace PrefsForm
