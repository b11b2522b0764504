#include "core/destination/CardFolder.h"

#include "core/prefs/Preferences.h"

namespace CardFolder {

namespace {

QString orDefault(const QString &value, const char16_t *fallback)
{
    return value.isEmpty() ? QString::fromUtf16(fallback) : value;
}

} // namespace

void fillPreferenceDefaults()
{
    preference::cardVolumeName = volumeName();
    preference::cardFolderPath = orDefault(preference::cardFolderPath, kDefaultFolderPath);
}

QString volumeName() { return orDefault(preference::cardVolumeName, kDefaultVolumeName); }

QString colonPath() { return volumeName() + orDefault(preference::cardFolderPath, kDefaultFolderPath); }

} // namespace CardFolder
