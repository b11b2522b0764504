#include "core/platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString env(const char *name) { return qEnvironmentVariable(name); }

QString xdg(const char *var, const char *fallbackUnderHome)
{
    QString v = env(var);
    if (!v.isEmpty() && QDir::isAbsolutePath(v))
        return v;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackUnderHome);
}
} // namespace

namespace AppPaths {

QString prefsDir()
{
    const QString over = env("SONGKITE_PREFS_DIR");
    return over.isEmpty() ? xdg("XDG_CONFIG_HOME", ".config") : over;
}

QString prefsFile() { return prefsDir() + QLatin1Char('/') + QString::fromUtf16(kPrefsFileName); }

QString appDir()
{
    const QString over = env("SONGKITE_HOME");
    return over.isEmpty() ? xdg("XDG_DATA_HOME", ".local/share") + QStringLiteral("/songkite") : over;
}

QString listFolder() { return appDir() + QLatin1Char('/') + QString::fromUtf16(kListFolderName); }

QString scriptsDir()
{
    const QString over = env("SONGKITE_SCRIPTS");
    if (!over.isEmpty())
        return over;
    const QString bin = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString installed = QDir(bin).absoluteFilePath(QStringLiteral("../share/songkite/scripts"));
    if (QDir(installed).exists())
        return QDir::cleanPath(installed);
#ifdef SONGKITE_SOURCE_SCRIPTS
    return QStringLiteral(SONGKITE_SOURCE_SCRIPTS);
#else
    return installed;
#endif
}

} // namespace AppPaths
