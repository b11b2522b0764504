#include "core/destination/Destination.h"

#include "core/library/LibraryBridge.h"
#include "core/platform/AppPaths.h"
#include "core/platform/NumberText.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SessionState.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Far beyond any disk (an exabyte), yet small enough that sums and the label's rounding
// of these figures cannot overflow.
constexpr double kMostThousandths = 1e15;

// Megabytes read from an answer, in thousandths, truncated. The small nudge keeps a
// decimal such as 2.3 (2299.9999... in binary) at 2300. A script may answer any digits:
// the figure is held to the range before it becomes an integer.
qint64 thousandths(const QString &field)
{
    const double mb = NumberText::readsAs(field);
    const double value = std::trunc(mb * 1000.0 + (mb >= 0 ? 1e-6 : -1e-6));
    return qint64(std::clamp(value, -kMostThousandths, kMostThousandths));
}

} // namespace

Destination::Destination(SessionState *props, QObject *parent)
    : QObject(parent), m_props(props), m_search(new CardSearch(this))
{
}

Destination::~Destination() = default;

void Destination::measureDestination()
{
    LibraryBridge &bridge = m_bridge ? *m_bridge : LibraryBridge::instance();
    const QString answer = bridge.call(u"volume-info"_s, {preference::cardVolumeName});
    const QStringList fields = answer.split(u',');
    m_props->diskFreeSpace = thousandths(fields.value(0));
    m_props->diskCapacity = thousandths(fields.value(1));
    if (fields.size() > 2 && fields.at(2).trimmed() == u"true"_s)
        m_props->diskEjectable = true;
}

qint64 Destination::folderSize(const FileItem &folder)
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

void Destination::showCapacity()
{
    if (m_props->cardMusicFolder.isNull())
        return;
    measureDestination();
    const FileItem &destination = m_props->destinationFolder;
    if (destination != m_props->cardMusicFolder) {
        // The labels name the folder the next transfer writes: a chosen one stays named
        // (with the chosen folder's figures), and no destination stays said.
        if (!destination.isNull())
            setCapacityText(m_props->diskEjectable ? capacityText(QString::fromUtf16(kChosenPrefix),
                                                                  m_props->destinationSizeKB, m_props->diskFreeSpace)
                                                   : QString());
        return;
    }
    const qint64 existing = folderSize(m_props->cardMusicFolder);
    setDestinationText(u"転送先  "_s + pathText(m_props->cardMusicFolder));
    setCapacityText(capacityText(QString::fromUtf16(kCardPrefix), existing, m_props->diskFreeSpace));
}

FileItem Destination::cardFolder(const QString &folderPath) const
{
    return FileItem::fromColonPath(preference::cardVolumeName + folderPath);
}

void Destination::searchCard(const QString &folderPath)
{
    const FileItem card = cardFolder(folderPath);
    if (!card.isNull() && card.isFolder()) {
        measureDestination();
        m_props->destinationSizeKB = folderSize(card);
        m_props->cardMusicFolder = card;
        m_props->destinationFolder = card;
        if (m_cardChecked)
            cardBoxClicked(true); // the labels follow the destination just taken
        else
            setCardChecked(true);
        return;
    }
    const FileItem volume = FileItem::fromColonPath(preference::cardVolumeName + u':');
    if (!volume.isNull() && volume.isFolder()) {
        setDestinationText(u"ｻｳﾝﾄﾞﾌｫﾙﾀﾞが見つかりません"_s);
        return;
    }
    m_props->cardMusicFolder = FileItem();
    setDestinationText(u"miniSD　が見つかりません"_s);
}

void Destination::startCardSearch() { m_search->start(); }

void Destination::searchOnTimer()
{
    // Until the user touches the box, it is off only because no card was found: a card put
    // in later is taken as the open sequence would have taken it.
    if (m_cardChecked) {
        startCardSearch();
    } else if (m_awaitingCard) {
        // A destination chosen meanwhile (a transfer asks for one when there is none) is
        // the user's choice too.
        if (!m_props->destinationFolder.isNull())
            m_awaitingCard = false;
        else
            searchCard(preference::cardFolderPath);
    }
}

void Destination::setCardChecked(bool on)
{
    if (m_cardChecked == on)
        return;
    m_cardChecked = on;
    emit cardCheckedChanged(on);
    cardBoxClicked(on);
}

void Destination::cardBoxClicked(bool on)
{
    m_cardChecked = on;
    m_awaitingCard = false;
    if (!on) {
        setCapacityVisible(false);
        chooseFolder();
        return;
    }
    setCapacityVisible(true);
    if (m_props->cardMusicFolder.isNull()) {
        // Only a card folder that is there becomes the destination.
        const FileItem card = cardFolder(QString::fromUtf16(CardFolder::kDefaultFolderPath));
        if (!card.isNull() && card.isFolder()) {
            m_props->cardMusicFolder = card;
            m_props->destinationSizeKB = folderSize(card);
        }
    }
    if (!m_props->cardMusicFolder.isNull()) {
        measureDestination();
        m_props->destinationFolder = m_props->cardMusicFolder;
        setDestinationText(u"転送先  "_s + pathText(m_props->destinationFolder));
        setCapacityText(m_props->diskEjectable
                            ? capacityText(QString::fromUtf16(kCardPrefix), m_props->destinationSizeKB, m_props->diskFreeSpace)
                            : QString());
    } else {
        m_props->destinationFolder = FileItem();
        setDestinationText(u"miniSD　が見つかりません"_s);
    }
}

void Destination::chooseDestinationFolder()
{
    // The user has taken the destination in hand: a card put in later does not override it.
    m_awaitingCard = false;
    chooseFolder();
}

QString Destination::chooserStartFolder() const
{
    const FileItem card = m_props->cardMusicFolder.isNull() ? cardFolder(preference::cardFolderPath)
                                                            : m_props->cardMusicFolder;
    return RecentFolders::firstExistingFolder(
        {RecentFolders::destination(), card.isNull() ? QString() : card.posixPath(), AppPaths::appDir()});
}

void Destination::chooseFolder()
{
    const QString chosen = Prompts::instance().chooseFolder(u"転送先"_s, u"選択"_s, chooserStartFolder());
    m_props->destinationFolder = chosen.isEmpty() ? FileItem() : FileItem(chosen);
    if (m_props->destinationFolder.isNull()) {
        setDestinationText(u"転送先が指定されていません"_s);
        return;
    }
    RecentFolders::rememberDestination(chosen);
    setDestinationText(u"転送先  "_s + pathText(m_props->destinationFolder));
    measureDestination();
    // The figures are the card's: the size last measured and the card volume's free space.
    setCapacityText(m_props->diskEjectable
                        ? capacityText(QString::fromUtf16(kChosenPrefix), m_props->destinationSizeKB, m_props->diskFreeSpace)
                        : QString());
}

qint64 Destination::shuffleRoom() { return shuffleRoom(preference::keepFreeMB); }

qint64 Destination::shuffleRoom(int keepFreeMB)
{
    measureDestination();
    showCapacity();
    const qint64 size = folderSize(m_props->destinationFolder);
    if (size < 0)
        return 0;
    m_props->destinationSizeKB = size;
    return m_props->destinationSizeKB + m_props->diskFreeSpace - qint64(keepFreeMB) * 1000;
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

CardSearch::CardSearch(Destination *destination) : coop::Thread(destination), m_destination(destination) {}

coop::Task<> CardSearch::run()
{
    if (m_destination)
        m_destination->searchCard();
    co_return;
}
