#pragma once

#include "core/platform/FileItem.h"

#include <QString>

/// Turns the colon paths stored in song rows and lists back into file items.
namespace ColonPathResolver {

/// Resolves a colon path, tolerating names whose text differs from the name on disk but
/// has the same Shift_JIS form (NFD on disk and NFC in the path, the JIS dash variants):
/// each missing name is looked up among the folder's entries in listing order. Names with
/// characters Shift_JIS cannot spell match only when equal after NFC, so two different
/// names that both turn into "?" never stand for each other. The item returned may not
/// exist; it is null when the path is malformed or its volume unknown.
FileItem resolve(const QString &colonPath);

/// Resolves a colon path by taking its volume and then each name in turn, without checks.
FileItem resolveLiterally(const QString &colonPath);

/// Whether two names stand for the same entry by the rule above.
bool sameShiftJisName(const QString &a, const QString &b);

} // namespace ColonPathResolver
