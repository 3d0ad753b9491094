#pragma once
// Files on disk and rows in memory for the result table tests.

#include "results/ResultTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <sys/time.h>

namespace fixtures {

inline qint64 localTime(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi)).toSecsSinceEpoch();
}

// Writes root/rel with size bytes and, when mtime is not 0, that modification time.
inline void makeFile(const QString& root, const QString& rel, qint64 size, qint64 mtime = 0)
{
    const QString path = root + QLatin1Char('/') + rel;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QVERIFY(f.write(QByteArray(size, 'x')) == size);
    f.close();
    if (mtime != 0) {
        timeval tv[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
        QVERIFY(::utimes(QFile::encodeName(path).constData(), tv) == 0);
    }
}

// Scan results as the walk would record them: entries in the given order, folders once.
struct ScanBuilder
{
    vellora::ScanResults scan;

    void add(const QByteArray& folder, const QByteArray& name, qint64 size = 0)
    {
        std::uint32_t f = 0;
        for (; f < scan.folders.size(); ++f)
            if (scan.folders[f] == folder)
                break;
        if (f == scan.folders.size())
            scan.folders.push_back(folder);
        vellora::ScanResults::Entry e;
        e.nameOffset = scan.names.size();
        e.nameLength = std::uint32_t(name.size());
        e.folder = f;
        e.size = size;
        scan.names.append(name.constData(), std::size_t(name.size()));
        scan.entries.push_back(e);
    }
};

inline vellora::ColumnProfile profile(std::initializer_list<int> shownColumns, bool number = true)
{
    vellora::ColumnProfile p{0, 1, 1, 0, 0, 0, 0, 1};
    p[0] = number ? 1 : 0;
    for (int c : shownColumns)
        p[std::size_t(c)] = 1;
    return p;
}

// The names of the data rows in display order, "base.ext" (or "base" without extension).
inline QStringList displayedNames(const vellora::ResultTable& t)
{
    QStringList out;
    for (qsizetype r = 1; r <= t.rowCount(); ++r) {
        const QString ext = t.text(r, vellora::ColExt);
        out << (ext.isEmpty() ? t.text(r, vellora::ColName)
                              : t.text(r, vellora::ColName) + QLatin1Char('.') + ext);
    }
    return out;
}

inline QStringList column(const vellora::ResultTable& t, int c)
{
    QStringList out;
    for (qsizetype r = 1; r <= t.rowCount(); ++r)
        out << t.text(r, c);
    return out;
}

} // namespace fixtures

Q_DECLARE_METATYPE(vellora::ColumnProfile)
