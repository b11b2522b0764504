#include "core/platform/FileTypes.h"

namespace FileTypes {

const QList<FileType> &all()
{
    static const QList<FileType> types{
        {kManagementFile, QStringLiteral("????"), QStringLiteral("????"), {QStringLiteral(".MGR")}},
        {kSong, QStringLiteral("????"), QStringLiteral("????"), {QStringLiteral(".m4a")}},
        {kFolder, QStringLiteral("MACS"), QStringLiteral("fold"), {}},
        {kText, QStringLiteral("????"), QStringLiteral("TEXT"),
         QStringLiteral(".asc;.ascii;.bas;.c;.class;.cp;.cpp;.h;.hp;.hpp;.i3;.java;.m2;.m3;.mak;.text;.txt")
             .split(QLatin1Char(';'))},
        {kSongList, QStringLiteral("????"), QStringLiteral("????"), {QStringLiteral(".txt")}},
        {kCardSong, QStringLiteral("????"), QStringLiteral("????"), {QStringLiteral(".3g2"), QStringLiteral(".3gp2")}},
    };
    return types;
}

const FileType *byName(const QString &name)
{
    for (const FileType &t : all())
        if (t.name == name)
            return &t;
    return nullptr;
}

bool matches(const QString &typeName, const QString &fileName)
{
    const FileType *t = byName(typeName);
    if (!t)
        return false;
    for (const QString &ext : t->extensions)
        if (fileName.endsWith(ext, Qt::CaseInsensitive) && fileName.size() > ext.size())
            return true;
    return false;
}

QString nameFilter(const QString &typeName)
{
    const FileType *t = byName(typeName);
    if (!t || t->extensions.isEmpty())
        return {};
    QStringList globs;
    for (const QString &ext : t->extensions)
        globs << QLatin1Char('*') + ext;
    return t->name + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString dropType(const QString &fileName, bool isFolder)
{
    if (isFolder)
        return kFolder;
    if (matches(kSong, fileName))
        return kSong;
    return {};
}

} // namespace FileTypes
