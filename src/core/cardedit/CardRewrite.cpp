#include "core/cardedit/CardRewrite.h"

#include "core/card/CardLayout.h"
#include "core/card/CardTitle.h"
#include "core/card/MgrFile.h"
#include "core/songlist/SongListModel.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

QString mgrFileOf(const QString &songFile)
{
    return *CardFormat::mgrFileName(CardFormat::mgrNumberOf(*CardFormat::songNumberFromFileName(songFile)));
}

/// Whether management file `name` of `folder` can be edited in place, tried without writing.
bool opensForEditing(const FileItem &folder, const QString &name)
{
    QFile file(folder.child(name).posixPath());
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    return CardFormat::checkManagementData(file.read(CardFormat::kMgrFileSize)) == CardFormat::MgrStatus::Ok;
}

} // namespace

CardRewrite::CardRewrite(QObject *parent) : coop::Thread(parent)
{
    qRegisterMetaType<CardRewriteResult>();
}

void CardRewrite::setListing(const FileItem &listedFolder, const QStringList &listedSongFiles)
{
    m_listedFolder = listedFolder;
    m_listedFiles = listedSongFiles;
}

void CardRewrite::setRemoveFunction(RemoveFunction remove) { m_remove = std::move(remove); }

QList<CardEditRow> CardRewrite::rowsFromSongList(const SongListModel &songs)
{
    QList<CardEditRow> rows;
    rows.reserve(songs.rowCount());
    // In card listing mode cell 2 holds " SDS_nnnn.3G2" rather than the artist.
    for (const SongRow &row : songs.rows())
        rows.append({row.cells[2].trimmed(), row.cells[1], row.checked});
    return rows;
}

void CardRewrite::end(CardRewriteResult::Ending ending, const QString &file)
{
    using Ending = CardRewriteResult::Ending;
    m_result.ending = ending;
    m_result.stoppedAt = file;
    switch (ending) {
    case Ending::Completed:
        if (!m_result.failedDeletions.isEmpty())
            m_result.message = u"削除できなかった曲があります：%1"_s.arg(m_result.failedDeletions.join(u"、"_s));
        break;
    case Ending::CardChanged:
        m_result.message = u"転送先フォルダの内容がリストを表示したときと変わったため、更新しませんでした。"
                           u"リストを表示し直してください。"_s;
        break;
    case Ending::RowsNotListed:
        m_result.message = u"「%1」が転送先フォルダのリストと合わないため、更新しませんでした。"_s.arg(file);
        break;
    case Ending::MgrUnwritable:
        m_result.message = u"管理ファイル「%1」に書き込めないため、転送先フォルダの更新を中止しました。"_s.arg(file);
        break;
    case Ending::Stopped:
        m_result.message = u"転送先フォルダの更新を中止しました。"_s;
        break;
    }
    emit rewriteEnded(m_result);
}

bool CardRewrite::checkCard()
{
    using Ending = CardRewriteResult::Ending;
    if (m_folder.isNull() || m_folder != m_listedFolder || !m_folder.isFolder()) {
        end(Ending::CardChanged);
        return false;
    }
    for (const QString &name : std::as_const(m_listedFiles)) {
        if (!m_folder.child(name).exists()) {
            end(Ending::CardChanged, name);
            return false;
        }
    }
    const QSet<QString> listed(m_listedFiles.cbegin(), m_listedFiles.cend());
    QSet<QString> named;
    QSet<QString> mgrFiles;
    for (const CardEditRow &row : std::as_const(m_rows)) {
        if (!listed.contains(row.songFile) || named.contains(row.songFile)
            || !CardFormat::songNumberFromFileName(row.songFile)) {
            end(Ending::RowsNotListed, row.songFile);
            return false;
        }
        named.insert(row.songFile);
        mgrFiles.insert(mgrFileOf(row.songFile));
    }
    // Songs deleted before a slot that cannot be cleared would leave the phone titles
    // without songs: a management file that will not take the edits stops us here.
    QStringList mgrNames(mgrFiles.cbegin(), mgrFiles.cend());
    mgrNames.sort();
    for (const QString &name : std::as_const(mgrNames)) {
        if (!opensForEditing(m_folder, name)) {
            end(Ending::MgrUnwritable, name);
            return false;
        }
    }
    return true;
}

coop::Task<> CardRewrite::run()
{
    using Ending = CardRewriteResult::Ending;
    m_result = CardRewriteResult();
    const QDateTime started = QDateTime::currentDateTime();
    if (!checkCard())
        co_return;
    if (stopRequested()) {
        end(Ending::Stopped);
        co_return;
    }

    for (const CardEditRow &row : std::as_const(m_rows)) {
        if (row.keep)
            continue;
        const FileItem song = m_folder.child(row.songFile);
        const int error = m_remove ? m_remove(song) : song.remove();
        if (error != 0)
            m_result.failedDeletions.append(row.songFile);
        co_await coop::yield();
    }

    const int total = int(m_rows.size());
    for (int k = 0; k < total; ++k) {
        const CardEditRow &row = m_rows.at(k);
        const int number = *CardFormat::songNumberFromFileName(row.songFile);
        const QString mgrName = *CardFormat::mgrFileName(CardFormat::mgrNumberOf(number));
        const QString mgrPath = m_folder.child(mgrName).posixPath();
        const FileItem song = m_folder.child(row.songFile);
        // A song whose deletion failed is still there: it keeps a title rather than a
        // cleared slot the phone would show as nothing.
        const bool present = song.exists();
        const CardFormat::MgrStatus status =
            present ? CardFormat::retitleSlot(mgrPath, CardFormat::slotIndexOf(number), CardFormat::cutShiftJis(row.title, CardFormat::kTitleMax))
                    : CardFormat::clearSlot(mgrPath, CardFormat::slotIndexOf(number));
        if (status != CardFormat::MgrStatus::Ok) {
            end(Ending::MgrUnwritable, mgrName);
            co_return;
        }
        if (present)
            song.setModificationTime(started.addSecs(-60 * qint64(k + 1)));
        emit progress(k + 1, total);
        co_await coop::yield();
    }
    end(Ending::Completed);
}
