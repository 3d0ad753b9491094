#include "ResultRows.h"

#include <numeric>

namespace vellora {

void ResultRows::setName(Row& r, std::string_view bytes)
{
    r.nameOffset = names.size();
    r.nameLength = std::uint16_t(std::min<std::size_t>(bytes.size(), 0xffff));
    names.append(bytes.data(), r.nameLength);
}

QByteArray ResultRows::path(const Row& r) const
{
    const QByteArray& folder = folders[r.folder];
    QByteArray out;
    out.reserve(folder.size() + r.nameLength);
    out.append(folder);
    out.append(names.data() + r.nameOffset, r.nameLength);
    return out;
}

void ResultRows::resetOrder()
{
    order.resize(rows.size());
    std::iota(order.begin(), order.end(), std::uint32_t(0));
}

std::size_t ResultRows::memoryBytes() const
{
    std::size_t n =
        rows.capacity() * sizeof(Row) + order.capacity() * sizeof(std::uint32_t) + names.capacity();
    n += folders.capacity() * sizeof(QByteArray);
    for (const QByteArray& f : folders)
        n += std::size_t(f.capacity()) + 32; // header of the shared block
    n += strings.capacity() * sizeof(QString);
    for (const QString& s : strings)
        n += std::size_t(s.capacity()) * 2 + 32;
    return n;
}

std::string_view baseNameOf(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view extensionOf(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

} // namespace vellora
