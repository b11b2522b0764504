#pragma once

// What the fuzz targets share. A broken expectation aborts: libFuzzer keeps the input as a
// finding, and the replay test fails on it.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void expect(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz: expectation broken: %s\n", what);
        std::abort();
    }
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

/// The input taken apart from its front: small numbers first, the rest as the payload.
class Input final {
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    uint8_t byte()
    {
        if (m_size == 0)
            return 0;
        --m_size;
        return *m_data++;
    }
    qint32 int32()
    {
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return qint32(v);
    }
    QByteArray rest() const { return bytesOf(m_data, m_size); }

private:
    const uint8_t *m_data;
    size_t m_size;
};

/// A folder for the whole run, made on first use and removed at exit.
inline const QString &scratchFolder()
{
    static QTemporaryDir dir;
    static const QString path = dir.path();
    expect(dir.isValid(), "a temporary folder");
    return path;
}

inline void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    expect(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the scratch file opens");
    expect(file.write(data) == data.size(), "the scratch file is written");
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    expect(file.open(QIODevice::ReadOnly), "the scratch file reads");
    return file.readAll();
}

} // namespace fuzz
