#include "card/Destination.h"

#include "bridge/ScriptBridge.h"
#include "platform/AppPaths.h"
#include "platform/NumberText.h"
#include "platform/Prompts.h"
#include "prefs/Preferences.h"
#include "songlist/MainProperties.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Megabytes read from an answer, in thousandths, truncated. The small nudge keeps a
// decimal such as 2.3 (2299.9999... in binary) at 2300.
qint64 thousandths(const QString &field)
{
    const double mb = NumberText::readsAs(field);
    return qint64(std::trunc(mb * 1000.0 + (mb >= 0 ? 1e-6 : -1e-6)));
}

} // namespace

Destination::Destination(MainProperties *props, QObject *parent)
    : QObject(parent), m_props(props), m_search(new serchminiSD(this))
{
}

Destination::~Destination() = default;

void Destination::getDiskInfo()
{
    ScriptBridge &bridge = m_bridge ? *m_bridge : ScriptBridge::instance();
    const QString answer = bridge.call(u"diskprop"_s, {preference::miniSDvolName});
    const QStringList fields = answer.split(u',');
    m_props->DiskFreeSpace = thousandths(fields.value(0));
    m_props->DiskCapacity = thousandths(fields.value(1));
    if (fields.size() > 2 && fields.at(2).trimmed() == u"true"_s)
        m_props->DiskEjectable = true;
}

qint64 Destination::getFolderSize(const FileItem &folder)
{
    if (folder.isNull() || !folder.isFolder())
        return -1;
    // Each addition is truncated on its own: three files of 999 bytes count 0.
    qint64 total = 0;
    const QList<FileItem> entries = folder.entries();
    for (const FileItem &item : entries)
        total = qint64(std::trunc(double(total) + double(item.size()) / 1000.0));
    return total;
}

QString Destination::formatThousandths(qint64 value)
{
    const bool negative = value < 0;
    const qint64 hundredths = ((negative ? -value : value) + 5) / 10;
    QString whole = QString::number(hundredths / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u',');
    const QString text = whole + u'.' + QString::number(hundredths % 100).rightJustified(2, u'0');
    return negative && hundredths != 0 ? u'-' + text : text;
}

QString Destination::capacityText(const QString &prefix, qint64 existing, qint64 free)
{
    return prefix + formatThousandths(existing + free) + u" MB ("_s + formatThousandths(existing)
        + u" MB 在 + "_s + formatThousandths(free) + u" MB 空き)"_s;
}

QString Destination::pathText(const FileItem &folder) const
{
    const QString colon = folder.colonPath();
    return colon.isEmpty() ? folder.posixPath() : colon;
}

void Destination::showDiskInfo()
{
    if (m_props->miniSDsDSDfolder.isNull())
        return;
    getDiskInfo();
    const qint64 existing = getFolderSize(m_props->miniSDsDSDfolder);
    setDestinationText(u"転送先  "_s + pathText(m_props->miniSDsDSDfolder));
    setCapacityText(capacityText(QString::fromUtf16(kCardPrefix), existing, m_props->DiskFreeSpace));
}

FileItem Destination::cardFolder(const QString &folderPath) const
{
    return FileItem::fromColonPath(preference::miniSDvolName + folderPath);
}

void Destination::searchCard(const QString &folderPath)
{
    const FileItem card = cardFolder(folderPath);
    if (!card.isNull() && card.isFolder()) {
        getDiskInfo();
        m_props->dsdSize = getFolderSize(card);
        m_props->miniSDsDSDfolder = card;
        m_props->musicfolder = card;
        if (m_miniSDChecked)
            miniSDAction(true); // the labels follow the destination just taken
        else
            setMiniSDChecked(true);
        return;
    }
    const FileItem volume = FileItem::fromColonPath(preference::miniSDvolName + u':');
    if (!volume.isNull() && volume.isFolder()) {
        setDestinationText(u"ｻｳﾝﾄﾞﾌｫﾙﾀﾞが見つかりません"_s);
        return;
    }
    m_props->miniSDsDSDfolder = FileItem();
    setDestinationText(u"miniSD　が見つかりません"_s);
}

void Destination::startCardSearch() { m_search->start(); }

void Destination::setMiniSDChecked(bool on)
{
    if (m_miniSDChecked == on)
        return;
    m_miniSDChecked = on;
    emit miniSDCheckedChanged(on);
    miniSDAction(on);
}

void Destination::miniSDAction(bool on)
{
    m_miniSDChecked = on;
    if (!on) {
        setCapacityVisible(false);
        chooseFolder();
        return;
    }
    setCapacityVisible(true);
    if (m_props->miniSDsDSDfolder.isNull()) {
        // Only a card folder that is there becomes the destination.
        const FileItem card = cardFolder(QString::fromUtf16(kCardFolderPath));
        if (!card.isNull() && card.isFolder()) {
            m_props->miniSDsDSDfolder = card;
            m_props->dsdSize = getFolderSize(card);
        }
    }
    if (!m_props->miniSDsDSDfolder.isNull()) {
        getDiskInfo();
        m_props->musicfolder = m_props->miniSDsDSDfolder;
        setDestinationText(u"転送先  "_s + pathText(m_props->musicfolder));
        setCapacityText(m_props->DiskEjectable
                            ? capacityText(QString::fromUtf16(kCardPrefix), m_props->dsdSize, m_props->DiskFreeSpace)
                            : QString());
    } else {
        m_props->musicfolder = FileItem();
        setDestinationText(u"miniSD　が見つかりません"_s);
    }
}

void Destination::selectCopyFolder_Action() { chooseFolder(); }

void Destination::chooseFolder()
{
    const QString chosen = Prompts::instance().chooseFolder(u"転送先"_s, u"選択"_s, AppPaths::appDir());
    m_props->musicfolder = chosen.isEmpty() ? FileItem() : FileItem(chosen);
    if (m_props->musicfolder.isNull()) {
        setDestinationText(u"転送先が指定されていません"_s);
        return;
    }
    setDestinationText(u"転送先  "_s + pathText(m_props->musicfolder));
    getDiskInfo();
    // The figures are the card's: the size last measured and the card volume's free space.
    setCapacityText(m_props->DiskEjectable
                        ? capacityText(QString::fromUtf16(kChosenPrefix), m_props->dsdSize, m_props->DiskFreeSpace)
                        : QString());
}

qint64 Destination::shuffleRoom()
{
    getDiskInfo();
    showDiskInfo();
    const qint64 size = getFolderSize(m_props->musicfolder);
    if (size < 0)
        return 0;
    m_props->dsdSize = size;
    return m_props->dsdSize + m_props->DiskFreeSpace - qint64(preference::keepDiskSpace) * 1000;
}

void Destination::setDestinationText(const QString &text)
{
    if (m_destinationText == text)
        return;
    m_destinationText = text;
    emit destinationTextChanged(text);
}

void Destination::setCapacityText(const QString &text)
{
    if (m_capacityText == text)
        return;
    m_capacityText = text;
    emit capacityTextChanged(text);
}

void Destination::setCapacityVisible(bool visible)
{
    if (m_capacityVisible == visible)
        return;
    m_capacityVisible = visible;
    emit capacityVisibleChanged(visible);
}

serchminiSD::serchminiSD(Destination *destination) : coop::Thread(destination), m_destination(destination) {}

coop::Task<> serchminiSD::run()
{
    if (m_destination)
        m_destination->searchCard();
    co_return;
}
