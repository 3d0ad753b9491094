#pragma once
// Files on disk and rows in memory for the result table tests.

#include "results/ResultTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>

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
    QVERIFY(f.write(QByteArray(size, 'x')) == size && f.flush());
    if (mtime != 0)
        QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(mtime), QFileDevice::FileModificationTime));
}

// Scan results as the walk would record them: entries in the given order, folders once.
struct ScanBuilder
{
    vellora::ScanResults scan;

    void add(const QByteArray& folder, const QByteArray& name, qint64 size = 0)
    {
        const auto at = std::find(scan.folders.begin(), scan.folders.end(), folder);
        vellora::ScanResults::Entry e;
        e.folder = std::uint32_t(at - scan.folders.begin());
        if (at == scan.folders.end())
            scan.folders.push_back(folder);
        e.nameOffset = scan.names.size();
        e.nameLength = std::uint32_t(name.size());
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
