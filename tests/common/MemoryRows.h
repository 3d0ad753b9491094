#pragma once
// A result table in memory for the report and export tests: name, extension and folder per
// row, as the real table hands them over, and the reader of their files.

#include "fileinfo/FolderPaths.h"
#include "MemoryFacts.h"
#include "results/AppState.h"
#include "results/RowSource.h"

#include <QFile>
#include <vector>

namespace vellora::test {

class MemoryRows : public RowSource
{
public:
    struct Row
    {
        QString base;
        QString ext;
        QString folder; // ends with "/"; a name's bytes that are not UTF-8 as fileinfo::pathText keeps them
    };

    // n rows "row00001.txt" and on, all in folder.
    static MemoryRows numbered(int n, const QString& folder)
    {
        MemoryRows rows;
        for (int i = 1; i <= n; ++i)
            rows.add(QStringLiteral("row%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("txt"), folder);
        return rows;
    }

    void add(const QString& base, const QString& ext, const QString& folder)
    {
        rows.push_back({base, ext, folder});
    }

    qsizetype rowCount() const override { return qsizetype(rows.size()); }
    QString text(qsizetype row, int column) const override
    {
        const Row& r = rows.at(std::size_t(row - 1));
        switch (column) {
        case ColNumber:
            return QString::number(row);
        case ColName:
            return r.base;
        case ColExt:
            return r.ext;
        case ColFolder:
            return r.folder;
        default:
            return {};
        }
    }
    QByteArray nameBytes(qsizetype row) const override
    {
        const Row& r = rows.at(std::size_t(row - 1));
        return fileinfo::pathBytes(r.ext.isEmpty() ? r.base : r.base + QLatin1Char('.') + r.ext);
    }
    QByteArray folderBytes(qsizetype row) const override
    {
        return fileinfo::pathBytes(rows.at(std::size_t(row - 1)).folder);
    }
    const FactSource& facts() const override { return factSource ? *factSource : fileSystemFacts(); }

    std::vector<Row> rows;
    const FactSource* factSource = nullptr; // null: the file system
};

} // namespace vellora::test
