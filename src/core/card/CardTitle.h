#pragma once

// The card title of a song: song title, artist and album in the order and byte budgets of
// the preferences, at most 40 bytes of Shift_JIS.

#include <QByteArray>
#include <QString>

namespace CardFormat {

/// The three texts a card title is made of.
struct TitleTexts {
    QString title;
    QString artist;
    QString album;
};

/// A song row's cells 1 to 3, trimmed of surrounding blanks.
TitleTexts textsFromRow(const QString &title, const QString &artist, const QString &album);
/// A compact-window entry: with `useLibraryInfo` 1 its TAB-separated fields 1 to 3; otherwise
/// a colon path whose file name (less its extension and track prefixes), album folder and
/// artist folder give the texts.
TitleTexts textsFromEntry(const QString &entry, int useLibraryInfo);
/// The same with `preference::useLibraryInfo`.
TitleTexts textsFromEntry(const QString &entry);

/// Which text goes where, and how many bytes each may take.
struct TitleOrder {
    /// Three digits: positions (1 to 3, 0 = left out) of song title, artist and album.
    QString order;
    qint64 nameBudget = 0;
    qint64 artistBudget = 0;
    qint64 albumBudget = 0;

    /// `titlePartOrder` and the three title byte budgets of the preferences.
    static TitleOrder fromPreferences();
};

/// The card title in Shift_JIS, at most 40 bytes; empty for an empty or "000" order.
/// Control characters (line breaks, TABs) of the texts are left out.
QByteArray makeCardTitle(const TitleTexts &texts, const TitleOrder &order);
/// The same with the preferences' order and budgets.
QByteArray makeCardTitle(const TitleTexts &texts);

/// `text` in Shift_JIS, cut to `limit` bytes at a character boundary (no mark added).
QByteArray cutShiftJis(const QString &text, qint64 limit);

} // namespace CardFormat
