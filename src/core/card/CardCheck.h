#pragma once

// A consistency check of a card folder: what the phone would show differs from what lies
// there. Used by the command-line tool and by tests that look at a card after a run.

#include <QString>
#include <QStringList>

namespace CardFormat {

/// One line per inconsistency, "NAME: what is wrong", in file-name order:
/// a titled slot whose song file is missing, a song file without a titled slot, a
/// management file of the wrong size, without its header or with other header fields, a
/// number out of range, a used slot whose number is not its song's, whose fixed bytes are
/// wrong, whose length byte is above 40 or whose title is no valid Shift_JIS, and partial
/// copies left behind. Only regular files are read, never waited for. Empty when the
/// folder is consistent; a folder that cannot be read gives one line saying so.
QStringList checkCardFolder(const QString &posixFolder);

} // namespace CardFormat
