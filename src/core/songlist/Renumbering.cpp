#include "core/songlist/Renumbering.h"

#include "core/songlist/SongListModel.h"

#include <QElapsedTimer>

Renumbering::Renumbering(SongListModel *list, QObject *parent) : coop::Thread(parent), m_list(list) {}

coop::Task<> Renumbering::run()
{
    // The list is read live: rows may move or go while this runs, so each pass re-reads the
    // count and the model ignores writes to rows that no longer exist.
    auto number = [](int i) { return QString::number(i + 1) + QLatin1Char(' '); };

    for (int i = 0; m_list && i < std::min(m_list->rowCount(), kFirstRows); ++i) {
        m_list->setCell(i, 0, number(i));
        co_await coop::yield();
    }
    if (waitTicks > 0)
        co_await coop::sleepTicks(waitTicks);
    for (int i = 0; m_list && i < m_list->rowCount(); ++i) {
        m_list->setCell(i, 0, number(i));
        co_await coop::yield();
    }
    if (m_list && m_list->rowCount() > 0)
        m_list->setCell(0, 0, QStringLiteral("1 "));
}
