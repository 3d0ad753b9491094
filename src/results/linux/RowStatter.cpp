#include "results/RowStatter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

RowStatter::~RowStatter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int RowStatter::folderFd(const ResultRows::Row& row)
{
    if (row.folder != m_folder) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_folder = row.folder;
        m_fd = ::open(m_rows.folders[row.folder].constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return m_fd;
}

const char* RowStatter::entryName(const ResultRows::Row& row)
{
    m_name.assign(m_rows.names.data() + row.nameOffset, row.nameLength);
    return m_name.c_str();
}

bool RowStatter::stat(const ResultRows::Row& row, FileStat& out)
{
    const int fd = folderFd(row);
    if (fd < 0)
        return statFile(m_rows.path(row), out);
    struct stat st;
    if (::fstatat(fd, entryName(row), &st, 0) != 0)
        return false;
    out.size = st.st_size;
    out.mtime = st.st_mtim.tv_sec;
    return true;
}

} // namespace vellora
