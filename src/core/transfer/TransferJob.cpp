#include "core/transfer/TransferJob.h"

#include "core/card/CardLayout.h"
#include "core/card/CardTitle.h"
#include "core/transfer/TransferCard.h"
#include "core/transfer/CardClearing.h"
#include "core/songlist/SongListModel.h"

#include <chrono>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using CardFormat::TransferCard;

namespace {

constexpr int kTicksPerSecond = 60;

int ticksNow()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return int((ms * kTicksPerSecond / 1000) % kTicksPerSecond);
}

// Why a run stopped, in the words of someone looking at the card.
QString causeText(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return u"カードの空きが足りません"_s;
    case EROFS:
        return u"カードが書き込み禁止になっています"_s;
    case EACCES:
    case EPERM:
        return u"書き込みや削除が許可されていません"_s;
    case EILSEQ:
        return u"管理ファイルが壊れています"_s;
    case ENAMETOOLONG:
        return u"パスが長すぎます"_s;
    case EISDIR:
        return u"ファイルの名前がフォルダに使われています"_s;
    case EEXIST:
        return u"同じ名前のものがすでにあります"_s;
    case ENOENT:
        return u"フォルダが見つかりません"_s;
    default:
        return u"書き込めませんでした（"_s + QString::fromLocal8Bit(std::strerror(err)) + u"）"_s;
    }
}

} // namespace

QString TransferReport::countText() const
{
    return QString::number(copiedCount) + u"曲転送しました "_s;
}

QString TransferReport::outcomeText() const
{
    switch (ending) {
    case Ending::Completed:
        return QString::number(copiedCount) + u"曲転送しました"_s;
    case Ending::UserStopped:
        return QString::number(copiedCount) + u"曲転送後に中止しました"_s;
    default:
        return message.isEmpty() ? countText().trimmed() : message.trimmed();
    }
}

TransferJob::TransferJob(QObject *parent) : coop::Thread(parent)
{
    setCopyFunction({});
    setFlushFunction({});
    setSourceResolver({});
}

TransferJob::~TransferJob() = default;

bool TransferJob::start()
{
    if (isRunning())
        return false;
    m_errorCode = 0;
    m_run = m_options;
    if (!m_run.freeSpace)
        m_run.freeSpace = &TransferJob::volumeFreeSpace;
    coop::Thread::start();
    return true;
}

void TransferJob::setSongList(const SongListModel *model)
{
    m_model = model;
}

QString TransferJob::counterText(int handled, int maximum)
{
    return QString::number(handled) + u'/' + QString::number(maximum);
}

coop::Task<> TransferJob::run()
{
    // Nothing of the previous run may colour this one's report.
    m_errorCode = 0;
    m_copiedCount = 0;
    m_systemError = 0;
    m_failedFile.clear();
    m_skipped.clear();
    m_ending = TransferReport::Ending::Completed;
    m_nextSongNumber = -1;
    m_number = -1;
    const QDateTime now = QDateTime::currentDateTime();
    m_lastSongTime = now.addMSecs(-now.time().msec());

    const FileItem &folder = m_run.destinationFolder;
    if (!folder.isFolder()) {
        failOnCard(ENOENT, folder);
    } else if (!m_run.clearFirst || folderCanBeRefilled()) {
        if (m_run.clearFirst)
            co_await clearFolder();
        if (m_run.mode == TransferOptions::Mode::Compact) {
            co_await sendCompactEntries();
        } else {
            if (m_run.mode == TransferOptions::Mode::Add)
                m_lastSongTime = earliestSongTime(folder);
            co_await sendCheckedRows();
        }
        // Songs and titles are written without waiting for the device; the run is only
        // reported once the card has them, and a late failure makes it a failed run, even
        // when no song went (a title repaired, a scratch copy removed).
        if (m_ending != TransferReport::Ending::Failed) {
            if (const int err = m_flush(folder); err != 0 && err != EROFS && err != EINVAL)
                failOnCard(err, folder);
        }
    }
    if (m_ending == TransferReport::Ending::Completed && stopping())
        m_ending = TransferReport::Ending::UserStopped;
    emit transferEnded(report());
}

coop::Task<> TransferJob::clearFolder()
{
    const QStringList &suffixes = m_run.mode == TransferOptions::Mode::Compact
        ? CardFormat::compactSuffixes()
        : CardFormat::replaceAllSuffixes();
    const QList<FileItem> items = m_run.destinationFolder.entries();
    for (const FileItem &item : items) {
        // A file that refuses stays; the run writes around it (its number is skipped, a
        // surviving management file is written anew).
        if (CardFormat::isClearingTarget(item, suffixes))
            item.remove();
        co_await coop::yield();
    }
}

bool TransferJob::folderCanBeRefilled()
{
    const QStringList &suffixes = m_run.mode == TransferOptions::Mode::Compact
        ? CardFormat::compactSuffixes()
        : CardFormat::replaceAllSuffixes();
    const CardFormat::ClearingObstacle obstacle = CardFormat::findClearingObstacle(m_run.destinationFolder, suffixes);
    if (obstacle.error == 0)
        return true;
    failOnCard(obstacle.error, obstacle.item);
    return false;
}

coop::Task<> TransferJob::sendCheckedRows()
{
    const bool add = m_run.mode == TransferOptions::Mode::Add;
    TransferCard card(m_run.destinationFolder, add ? TransferCard::MgrMode::Keep : TransferCard::MgrMode::Fresh,
                      m_writeMgr);
    // A run killed between a song and its title left the song untitled; it is put right
    // before the numbers are counted, so the next song does not skip past it for good.
    if (add && !card.repairInterruptedRun()) {
        failOnCard(card.lastError(), card.lastFile());
        co_return;
    }
    advance(card, 0);

    int maximum = m_run.progressMaximum;
    if (maximum < 0) {
        maximum = 0;
        for (int r = 0; m_model && r < m_model->rowCount(); ++r)
            maximum += m_model->isChecked(r) ? 1 : 0;
    }
    int handled = 0;
    // The list may change while the run yields: the row count is read anew for each row.
    for (int r = 0; m_model && r < m_model->rowCount(); ++r) {
        if (!m_model->isChecked(r)) {
            co_await coop::yield();
            continue;
        }
        const QString path = m_model->cell(r, SongRow::Path);
        const QByteArray title = CardFormat::makeCardTitle(
            CardFormat::textsFromRow(m_model->cell(r, SongRow::Title), m_model->cell(r, SongRow::Artist),
                                     m_model->cell(r, SongRow::Album)),
            m_run.titleOrder);
        const Step step = co_await sendOne(card, path, title);
        if (step == Step::Stop || stopping())
            break;
        ++handled;
        emit progressChanged(handled, maximum);
        co_await coop::yield();
    }
}

coop::Task<> TransferJob::sendCompactEntries()
{
    TransferCard card(m_run.destinationFolder, TransferCard::MgrMode::Fresh, m_writeMgr);
    advance(card, 0);

    const QStringList entries = m_compactEntries;
    const int useLibraryInfo = m_run.compactEntriesUseLibraryInfo ? 1 : 0;
    int maximum = m_run.progressMaximum;
    if (maximum < 0)
        maximum = int(entries.size() - entries.count(QString()));
    int handled = 0;
    for (const QString &entry : entries) {
        co_await coop::yield();
        emit statusChanged(QString::number(handled) + u"曲、 転送中..."_s);
        if (entry.isEmpty()) {
            co_await coop::yield();
            continue;
        }
        const QString path = useLibraryInfo == 1 ? entry.split(u'\t').value(3) : entry;
        const QByteArray title =
            CardFormat::makeCardTitle(CardFormat::textsFromEntry(entry, useLibraryInfo), m_run.titleOrder);
        const Step step = co_await sendOne(card, path, title);
        if (step == Step::Stop)
            break;
        if (step == Step::GoCopied) {
            // Paces the compact window's songs on whole seconds.
            co_await coop::sleepTicks(kTicksPerSecond - ticksNow());
        }
        if (stopping())
            break;
        ++handled;
        emit progressChanged(handled, maximum);
        co_await coop::yield();
    }
    if (m_errorCode != kErrFailure) {
        emit statusChanged(QString::number(handled)
                           + (stopping() ? u"曲、 転送を中止しました"_s : u"曲、 転送しました"_s));
    }
}

coop::Task<TransferJob::Step> TransferJob::sendOne(TransferCard &card, QString sourcePath, QByteArray title)
{
    // Checked before the copy, so the card is never written past 9999 or beside a
    // management file that cannot take the title.
    if (m_number < 0) {
        m_errorCode = kErrNoRoom;
        m_ending = TransferReport::Ending::NoRoom;
        co_return Step::Stop;
    }
    if (!card.prepareMgr(CardFormat::mgrNumberOf(m_number))) {
        failOnCard(card.lastError(), card.lastFile());
        co_return Step::Stop;
    }
    const FileItem source = m_resolve(sourcePath);
    struct stat st {};
    if (!source.isNull() && ::lstat(source.posixBytes().constData(), &st) != 0 && errno == ENAMETOOLONG) {
        // Not a song the list lost: the system cannot reach it, and the user must hear so.
        fail(ENAMETOOLONG, sourcePath);
        co_return Step::Stop;
    }
    if (source.isNull() || !source.exists()) {
        m_skipped.append(sourcePath);
        co_return Step::Go; // the number stays for the next song
    }

    const CopyResult result = co_await copySong(source, card.songFile(m_number));
    if (m_errorCode == kErrCopyStop) {
        m_ending = TransferReport::Ending::CopyStopped;
        co_return Step::Stop;
    }
    switch (result) {
    case CopyResult::Copied:
        if (!card.writeTitle(m_number, title)) {
            // A song the phone cannot name is worse than none.
            card.songFile(m_number).remove();
            failOnCard(card.lastError(), card.lastFile());
            co_return Step::Stop;
        }
        ++m_copiedCount;
        advance(card, m_number + 1);
        co_return Step::GoCopied;
    case CopyResult::NoRoom:
        m_errorCode = kErrNoRoom;
        m_ending = TransferReport::Ending::NoRoom;
        co_return Step::Stop;
    case CopyResult::Broken:
        co_return Step::Stop;
    case CopyResult::CopyFailed:
        m_skipped.append(sourcePath);
        break;
    }
    co_return Step::Go;
}

void TransferJob::advance(TransferCard &card, int from)
{
    m_number = card.firstFreeNumber(from).value_or(-1);
    m_nextSongNumber = m_number;
    // Made ready ahead, as the card has always had it (100 songs leave a blank
    // SD_F_001.MGR); a failure here only counts when a song needs the file.
    if (m_number >= 0)
        card.prepareMgr(CardFormat::mgrNumberOf(m_number));
}

void TransferJob::fail(int systemError, const QString &file)
{
    m_errorCode = kErrFailure;
    m_systemError = systemError;
    m_failedFile = file;
    m_ending = TransferReport::Ending::Failed;
}

void TransferJob::failOnCard(int systemError, const FileItem &file)
{
    // The card's own files by name; the folder itself by its colon path.
    fail(systemError, file == m_run.destinationFolder || file.isNull() ? file.colonPath() : file.name());
}

TransferReport TransferJob::report() const
{
    TransferReport r;
    r.ending = m_ending;
    r.errorCode = m_errorCode;
    r.copiedCount = m_copiedCount;
    r.systemError = m_systemError;
    r.failedFile = m_failedFile;
    r.skippedSongs = m_skipped;
    if (m_errorCode > 0)
        r.message = r.countText();
    else if (m_errorCode == kErrFailure)
        r.message = u"転送を中止しました （-"_s + QString::number(-m_errorCode) + u"）"_s;
    if (m_ending == TransferReport::Ending::Failed) {
        r.message += u'\n' + causeText(m_systemError);
        if (!m_failedFile.isEmpty())
            r.message += u"："_s + m_failedFile;
    }
    if (!m_skipped.isEmpty()) {
        if (r.message.isEmpty())
            r.message = r.countText();
        r.message += u"\n読めなかった曲（"_s + QString::number(m_skipped.size()) + u"曲）："_s + m_skipped.join(u"、"_s);
    }
    return r;
}
