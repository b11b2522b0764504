#pragma once

#include <QString>

#include <array>

/// One row of the song list: seven text cells and the check box that lives in the title
/// cell. A row added by a song source starts checked.
struct SongRow {
    enum Cell { Number = 0, Title = 1, Artist = 2, Album = 3, Size = 4, Path = 5, Source = 6 };
    static constexpr int kCells = 7;

    std::array<QString, kCells> cells;
    bool checked = true;

    /// A row as a song source adds it: artist and album get their leading blank, the size
    /// its "###,##0 KB " form.
    static SongRow make(const QString &number, const QString &title, const QString &artist,
                        const QString &album, qint64 bytes, const QString &colonPath,
                        const QString &source);

    /// Cell 4 read back as a number (the size rule); whole kilobytes where an integer is needed.
    double sizeValue() const;
    qint64 sizeKB() const;
};

namespace SongSize {

/// Bytes as kilobytes of 1000, rounded, grouped with ",", followed by " KB ".
QString formatKB(qint64 bytes);
/// A whole number of kilobytes grouped with ",", followed by " KB ".
QString formatWholeKB(qint64 kb);
/// A size read from a list, in kilobytes, rounded half away from zero; a number beyond the
/// 64-bit range (a list may hold any digits) is held to it.
qint64 roundedKB(double kb);
/// The rule every reader of cell 4 uses: "KB ", "," and blanks removed, leading number read.
double readCell(const QString &cell);

} // namespace SongSize
