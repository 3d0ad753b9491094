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

bool RowStatter::stat(const ResultRows::Row& row, FileStat& out)
{
    if (row.folder != m_folder) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_folder = row.folder;
        m_fd = ::open(m_rows.folders[row.folder].constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0)
        return statFile(m_rows.path(row), out);
    m_name.assign(m_rows.names.data() + row.nameOffset, row.nameLength);
    struct stat st;
    if (::fstatat(m_fd, m_name.c_str(), &st, 0) != 0)
        return false;
    out.size = st.st_size;
    out.mtime = st.st_mtim.tv_sec;
    return true;
}

} // namespace vellora
