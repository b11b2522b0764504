#pragma once

// A music volume and a card volume in a temporary folder, song files of a few bytes, and
// a way to run a transfer to its end. Shared by the transfer tests.

#include "core/card/CardLayout.h"
#include "core/transfer/TransferJob.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/SongListModel.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace transfertest {

using namespace Qt::StringLiterals;

inline QByteArray readAll(const QString &path) { return testsupport::readFile(path); }

inline bool writeAll(const QString &path, const QByteArray &bytes) { return testsupport::writeFile(path, bytes); }

inline QString songName(int n) { return *CardFormat::songFileName(n); }
inline QString mgrName(int m) { return *CardFormat::mgrFileName(m); }

/// A management file m as a fresh one with the given slots used: number → title.
inline QByteArray mgrWith(int m, const QMap<int, QByteArray> &titles)
{
    QByteArray data = CardFormat::newMgrFile(m);
    for (auto it = titles.cbegin(); it != titles.cend(); ++it) {
        const QByteArray slot = CardFormat::usedSlot(it.key(), it.value());
        data.replace(CardFormat::slotOffset(CardFormat::slotIndexOf(it.key())), slot.size(), slot);
    }
    return data;
}

/// Every file of a folder: name → bytes, and name → modification time.
struct Snapshot {
    QMap<QString, QByteArray> bytes;
    QMap<QString, QDateTime> times;
    bool operator==(const Snapshot &) const = default;
};

inline Snapshot snapshot(const QString &folder)
{
    Snapshot s;
    const QFileInfoList infos = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : infos) {
        s.bytes.insert(info.fileName(), readAll(info.filePath()));
        s.times.insert(info.fileName(), info.lastModified());
    }
    return s;
}

/// The volumes "Music" and "NO NAME" under one temporary folder, emptied for each test.
class Volumes {
public:
    bool setUp()
    {
        if (!m_root.isValid())
            return false;
        qputenv("SONGKITE_VOLUMES", QFile::encodeName(m_root.path()));
        return reset();
    }

    bool reset()
    {
        QDir(music()).removeRecursively();
        QDir(m_root.filePath(u"NO NAME"_s)).removeRecursively();
        return QDir().mkpath(music()) && QDir().mkpath(card());
    }

    QString music() const { return m_root.filePath(u"Music"_s); }
    QString card() const { return m_root.filePath(u"NO NAME/PRIVATE/AU/DF/D_SD"_s); }
    QString cardFile(const QString &name) const { return card() + u'/' + name; }
    FileItem cardFolder() const { return FileItem(card()); }

    /// Writes a song under Music:Artist:Album: and gives its colon path.
    QString addSong(const QString &fileName, const QByteArray &bytes)
    {
        const QString path = music() + u"/Artist/Album/"_s + fileName;
        return writeAll(path, bytes) ? u"Music:Artist:Album:"_s + fileName : QString();
    }

private:
    QTemporaryDir m_root;
};

/// A checked (or unchecked) row for a song file at a colon path.
inline SongRow row(const QString &title, const QString &colonPath, bool checked = true)
{
    SongRow r = SongRow::make(QString(), title, u"Artist"_s, u"Album"_s, 10, colonPath, u"test"_s);
    r.checked = checked;
    return r;
}

/// Titles are the song title alone, so each slot's bytes are easy to tell.
inline const CardFormat::TitleOrder kSongTitleOnly{u"100"_s, 40, 0, 0};

/// The preferences with titles that are the song title alone, for runs set up from them.
inline void titleIsSongTitle()
{
    preference::resetToInitial();
    preference::titlePartOrder = kSongTitleOnly.order;
    preference::titleNameBytes = int(kSongTitleOnly.nameBudget);
}

/// A replace run into the card whose titles are song titles.
inline TransferOptions cardOptions(const Volumes &volumes)
{
    TransferOptions options;
    options.mode = TransferOptions::Mode::Replace;
    options.destinationFolder = volumes.cardFolder();
    options.titleOrder = kSongTitleOnly;
    return options;
}

/// A fresh song list and transfer thread reading it, and the options of a replace run into
/// the card whose titles are song titles.
inline void freshRig(const Volumes &volumes, std::unique_ptr<SongListModel> &model,
                     std::unique_ptr<TransferJob> &thread, TransferOptions &options)
{
    preference::resetToInitial();
    model = std::make_unique<SongListModel>();
    thread = std::make_unique<TransferJob>();
    thread->setSongList(model.get());
    options = cardOptions(volumes);
}

/// Frees what freshRig made and puts the preferences back.
inline void dropRig(std::unique_ptr<SongListModel> &model, std::unique_ptr<TransferJob> &thread)
{
    thread.reset();
    model.reset();
    preference::resetToInitial();
}

/// Starts the thread with `options` and waits for its report; false when it did not start
/// or end.
inline bool runToEnd(TransferJob &thread, const TransferOptions &options, TransferReport *report = nullptr)
{
    thread.setOptions(options);
    QSignalSpy ended(&thread, &TransferJob::transferEnded);
    QSignalSpy finished(&thread, &coop::Thread::finished);
    if (!thread.start())
        return false;
    if (!finished.wait(120000) || ended.size() != 1)
        return false;
    if (report)
        *report = ended.at(0).at(0).value<TransferReport>();
    return true;
}

} // namespace transfertest
