// Answers of the bridge's scripts, which another program may give: the numbers of
// volume-info and volume-free, and the compact window's song entries (colon paths, or
// TAB-separated library fields) that become card titles.

#include "FuzzSupport.h"

#include "core/card/CardLayout.h"
#include "core/card/CardTitle.h"
#include "core/platform/NumberText.h"
#include "core/platform/TextCodec.h"

#include <QStringList>

#include <cmath>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    const uint8_t settings = input.byte();
    const QString order = QString::number(input.byte() % 4) + QString::number(input.byte() % 4)
        + QString::number(input.byte() % 4);
    const CardFormat::TitleOrder titleOrder{order, input.byte() % 48, input.byte() % 48, input.byte() % 48};
    const QString answer = QString::fromUtf8(input.rest());

    // Every field of an answer reads as a number, in range, the same way each time.
    for (const QString &field : answer.split(QLatin1Char(','))) {
        const double value = NumberText::readsAs(field);
        fuzz::expect(!std::isnan(value), "an answer never reads as no number at all");
        const qint64 whole = NumberText::readsAsInteger(field);
        const double cut = std::trunc(value);
        if (cut >= 9.2e18)
            fuzz::expect(whole == std::numeric_limits<qint64>::max(), "a huge number reads as the largest");
        else if (cut <= -9.2e18)
            fuzz::expect(whole == std::numeric_limits<qint64>::min(), "a huge negative number reads as the smallest");
        else
            fuzz::expect(whole == qint64(cut), "the integer reading truncates");
        const int small = NumberText::readsAsInt(field);
        fuzz::expect(qint64(small) == std::clamp<qint64>(whole, std::numeric_limits<int>::min(),
                                                         std::numeric_limits<int>::max()),
                     "the int reading is the integer reading held to 32 bits");
        NumberText::sizeCellValue(field);
    }

    // A compact-window entry becomes a card title of at most 40 bytes of valid Shift_JIS,
    // without control characters.
    const CardFormat::TitleTexts texts = CardFormat::textsFromEntry(answer, settings & 1);
    const QByteArray title = CardFormat::makeCardTitle(texts, titleOrder);
    fuzz::expect(title.size() <= CardFormat::kTitleMax, "a card title holds at most 40 bytes");
    for (const char c : title)
        fuzz::expect(uchar(c) >= 0x20 && c != 0x7F, "a card title holds no control character");
    fuzz::expect(!ShiftJis::decode(title).contains(QChar(0xFFFD)), "a card title is valid Shift_JIS");
    return 0;
}
