#include "fileinfo/ByteSource.h"

#include <cstring>
#include <limits>

namespace vellora::fileinfo {

QByteArray ByteSource::readUpTo(quint64 offset, quint64 maxLen)
{
    const quint64 total = size();
    if (offset >= total || maxLen == 0)
        return {};
    const quint64 len = qMin(maxLen, total - offset);
    if (len > quint64(std::numeric_limits<qsizetype>::max()))
        return {};
    QByteArray out(qsizetype(len), Qt::Uninitialized);
    if (!read(offset, out.data(), len))
        return {};
    return out;
}

bool MemoryByteSource::read(quint64 offset, void* dst, quint64 len)
{
    const quint64 total = size();
    if (offset > total || len > total - offset)
        return false;
    if (len > 0)
        std::memcpy(dst, m_bytes.constData() + offset, size_t(len));
    return true;
}

} // namespace vellora::fileinfo
