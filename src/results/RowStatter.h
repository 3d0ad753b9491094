#pragma once
// Size and time of the files of the table, read folder by folder: the folder is opened once
// and each name is looked up inside it, so the kernel does not resolve the whole path again
// for every file. Rows of one folder come together in scan order, which is when it pays.
// One instance per thread.

#include "results/Formats.h"
#include "results/ResultRows.h"

namespace vellora {

class RowStatter
{
public:
    explicit RowStatter(const ResultRows& rows) : m_rows(rows) {}
    ~RowStatter();
    RowStatter(const RowStatter&) = delete;
    RowStatter& operator=(const RowStatter&) = delete;

    // False when the file cannot be read (gone, no rights).
    [[nodiscard]] bool stat(const ResultRows::Row& row, FileStat& out);

    // The open folder of the row, for lookups relative to it; -1 when it cannot be opened
    // (then use the row's full path). Stays owned by the statter.
    [[nodiscard]] int folderFd(const ResultRows::Row& row);
    // The row's name, NUL-terminated, valid until the next call.
    [[nodiscard]] const char* entryName(const ResultRows::Row& row);

private:
    const ResultRows& m_rows;
    int m_fd = -1;
    std::uint32_t m_folder = 0xffffffffu;
    std::string m_name; // NUL-terminated copy of the name
};

} // namespace vellora
