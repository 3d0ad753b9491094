#pragma once
// A result table in memory for the report tests: name, extension and folder per row, the
// other cells as the test sets them.

#include "results/AppState.h"
#include "results/RowSource.h"

#include <QFile>
#include <QList>

struct MemoryRow
{
    QString name;
    QString ext;
    QString folder; // ends with '/'
};

class MemoryRows : public vellora::RowSource
{
public:
    QList<MemoryRow> rows;

    [[nodiscard]] qsizetype rowCount() const override { return rows.size(); }
    [[nodiscard]] QString text(qsizetype row, int column) const override
    {
        const MemoryRow& r = rows.at(row - 1);
        switch (column) {
        case vellora::ColNumber:
            return QString::number(row);
        case vellora::ColName:
            return r.name;
        case vellora::ColExt:
            return r.ext;
        case vellora::ColFolder:
            return r.folder;
        default:
            return {};
        }
    }
    [[nodiscard]] QByteArray nameBytes(qsizetype row) const override
    {
        const MemoryRow& r = rows.at(row - 1);
        return QFile::encodeName(r.ext.isEmpty() ? r.name : r.name + QLatin1Char('.') + r.ext);
    }
    [[nodiscard]] QByteArray folderBytes(qsizetype row) const override
    {
        return QFile::encodeName(rows.at(row - 1).folder);
    }
};
