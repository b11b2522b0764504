#include "core/card/CardTitle.h"

#include "core/card/CardLayout.h"
#include "core/card/TitleRules.h"
#include "core/platform/TextCodec.h"
#include "core/prefs/Preferences.h"

#include <QStringList>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace CardFormat {

namespace {

// A line break or TAB in a tag would reach the phone's screen as a stray byte.
QByteArray encodedWithoutControls(QString text)
{
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return ShiftJis::encode(text);
}

// Position of one item in the order; a digit the three positions have no room for leaves
// the item out, like 0.
int positionDigit(const QString &order, qsizetype index)
{
    if (index >= order.size())
        return 0;
    const char16_t c = order[index].unicode();
    if (c < u'0' || c > u'3')
        return 0;
    return c - u'0';
}

QString trimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TitleTexts textsFromRow(const QString &title, const QString &artist, const QString &album)
{
    return {trimmedBlanks(title), trimmedBlanks(artist), trimmedBlanks(album)};
}

TitleTexts textsFromEntry(const QString &entry, int useLibraryInfo)
{
    if (useLibraryInfo == 1) {
        const QStringList fields = entry.split(u'\t');
        return {fields.value(0), fields.value(1), fields.value(2)};
    }
    const QStringList parts = entry.split(u':');
    const qsizetype last = parts.size() - 1;
    const QString name = parts.value(last);
    return {stripTrackPrefix(name.left(qMax<qsizetype>(0, name.size() - 4))),
            last >= 2 ? parts.value(last - 2) : QString(),
            last >= 1 ? parts.value(last - 1) : QString()};
}

TitleTexts textsFromEntry(const QString &entry)
{
    return textsFromEntry(entry, preference::useLibraryInfo);
}

TitleOrder TitleOrder::fromPreferences()
{
    return {preference::titlePartOrder, preference::titleNameBytes,
            preference::titleArtistBytes, preference::titleAlbumBytes};
}

QByteArray makeCardTitle(const TitleTexts &texts, const TitleOrder &order)
{
    static const QByteArray separator = ShiftJis::encode(u"／"_s);
    static const QByteArray mark = ShiftJis::encode(u"..."_s);

    const std::array<int, 3> pos = {positionDigit(order.order, 0), positionDigit(order.order, 1),
                                    positionDigit(order.order, 2)};
    const std::array<QByteArray, 3> items = {encodedWithoutControls(texts.title),
                                             encodedWithoutControls(texts.artist),
                                             encodedWithoutControls(texts.album)};
    QByteArray title;
    if (pos[0] + pos[1] + pos[2] == 1) {
        // A single item shows whole, up to the final cut.
        title = items[std::distance(pos.begin(), std::find(pos.begin(), pos.end(), 1))];
    } else {
        // Index 0 collects the items left out.
        std::array<QByteArray, 4> text;
        std::array<qint64, 4> budget{};
        const std::array<qint64, 3> budgets = {order.nameBudget, order.artistBudget,
                                               order.albumBudget};
        for (int i = 0; i < 3; ++i) {
            text[pos[i]] = items[i];
            budget[pos[i]] = budgets[i];
        }
        std::array<qint64, 4> slack{};
        for (int p = 1; p <= 3; ++p)
            slack[p] = qMax<qint64>(0, budget[p] - text[p].size());

        // Room spare at positions 2 and 3 goes to position 1, less one separator; room still
        // spare there goes on to position 2.
        if (slack[2] + slack[3] > 1)
            budget[1] += slack[2] + slack[3] - separator.size();
        if (budget[1] - text[1].size() > 0)
            budget[2] += budget[1] - text[1].size() - separator.size();

        title = cutShiftJis(text[1], budget[1]);
        if (!text[2].isEmpty())
            title += separator + cutShiftJis(text[2], budget[2]);
        if (!text[3].isEmpty())
            title += separator + text[3];
    }
    if (title.size() > kTitleMax)
        title = cutShiftJis(cutShiftJis(title, kTitleMax - 2) + mark, kTitleMax);
    return title;
}

QByteArray makeCardTitle(const TitleTexts &texts)
{
    return makeCardTitle(texts, TitleOrder::fromPreferences());
}

QByteArray cutShiftJis(const QString &text, qint64 limit)
{
    return cutShiftJis(ShiftJis::encode(text), limit);
}

} // namespace CardFormat
