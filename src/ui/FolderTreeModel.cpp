#include "FolderTreeModel.h"

#include <QApplication>
#include <QCollatorSortKey>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace vellora {

namespace {

// Folder names in the order of the file managers: numbers by value, letter case ignored; two
// names only the case tells apart keep a fixed order.
void setFolderOrder(QCollator& collator)
{
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
}

bool isDotEntry(const char* n)
{
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

// The subfolders of path, sorted. The entry's type says what it is; only a link (or an entry
// of a file system that gives no type) is asked where it leads, never opened.
QStringList subfolders(const QString& path)
{
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return names;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotEntry(entry->d_name))
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st;
            folder = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder)
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);

    QCollator collator;
    setFolderOrder(collator);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(std::size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i]), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : names[a.second] < names[b.second];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& key : keys)
        sorted << names[key.second];
    return sorted;
}

} // namespace

// Reads folders one after the other on the model's helper thread.
class FolderLister : public QObject
{
    Q_OBJECT

public:
    void list(quint64 serial, const QString& path) { Q_EMIT listed(serial, path, subfolders(path)); }

Q_SIGNALS:
    void listed(quint64 serial, const QString& path, const QStringList& names);
};

struct FolderTreeModel::Node
{
    QString name;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children; // in folder order
    int row = 0;
    quint64 born = 0;     // the last read asked for when this row was made
    quint64 serial = 0;   // of the read on its way
    bool read = false;    // its subfolders were listed
    bool reading = false; // a read is on its way
    bool again = false;   // it changed while being read
    bool shown = false;   // its rows are on screen: watched
    bool sure = false;    // watched since its last read was asked for

    void renumber(std::size_t from)
    {
        for (std::size_t i = from; i < children.size(); ++i)
            children[i]->row = int(i);
    }
};

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
    // One plain picture for every folder: nothing is asked of the file to draw its row.
    m_folderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    setFolderOrder(m_collator);
    auto top = std::make_unique<Node>();
    top->name = QStringLiteral("/");
    top->parent = m_root.get();
    m_root->children.push_back(std::move(top));
    m_root->read = true;

    m_lister = new FolderLister;
    m_lister->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_lister, &QObject::deleteLater);
    connect(m_lister, &FolderLister::listed, this, &FolderTreeModel::listed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderTreeModel::folderChanged);
    m_thread.setObjectName(QStringLiteral("vellora-folders"));
    m_thread.start();
}

FolderTreeModel::~FolderTreeModel()
{
    m_thread.quit();
    m_thread.wait();
}

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex FolderTreeModel::indexOf(const Node* node) const
{
    return node == m_root.get() ? QModelIndex() : createIndex(node->row, 0, const_cast<Node*>(node));
}

QString FolderTreeModel::pathOf(const Node* node) const
{
    QStringList names;
    for (; node && node->parent && node->parent != m_root.get(); node = node->parent)
        names.prepend(node->name);
    return node == m_root.get() ? QString() : u'/' + names.join(u'/');
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* above = nodeOf(parent);
    if (column != 0 || row < 0 || parent.column() > 0 || row >= int(above->children.size()))
        return {};
    return createIndex(row, 0, above->children[std::size_t(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    return child.isValid() ? indexOf(nodeOf(child)->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : int(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return nodeOf(index)->name;
    case Qt::DecorationRole:
        return m_folderIcon;
    default:
        return {};
    }
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    // A folder not read yet may have subfolders: it shows the arrow until it is opened.
    const Node* node = nodeOf(parent);
    return parent.column() <= 0 && (!node->read || !node->children.empty());
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    return !node->read && !node->reading;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent)
{
    // The view wants the rows: they are on screen from now on.
    Node* node = nodeOf(parent);
    if (!canFetchMore(parent) || node == m_root.get())
        return;
    if (!node->shown) {
        node->shown = true;
        m_watcher.addPath(pathOf(node));
    }
    read(node);
}

QString FolderTreeModel::filePath(const QModelIndex& index) const
{
    return pathOf(nodeOf(index));
}

FolderTreeModel::Node* FolderTreeModel::find(const QString& path) const
{
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(u'/'))
        return nullptr;
    Node* node = m_root->children.front().get();
    for (const QString& name : clean.mid(1).split(u'/', Qt::SkipEmptyParts)) {
        const auto it = std::find_if(node->children.begin(), node->children.end(),
                                     [&](const auto& c) { return c->name == name; });
        if (it == node->children.end())
            return nullptr;
        node = it->get();
    }
    return node;
}

FolderTreeModel::Node* FolderTreeModel::ensure(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(u'/'))
        return nullptr;
    Node* node = m_root->children.front().get();
    QString sofar;
    for (const QString& name : clean.mid(1).split(u'/', Qt::SkipEmptyParts)) {
        sofar += u'/' + name;
        auto it = std::find_if(node->children.begin(), node->children.end(),
                               [&](const auto& c) { return c->name == name; });
        if (it == node->children.end()) {
            // Not read yet, or made since: its own row, if it is a folder.
            struct stat st;
            if (::stat(QFile::encodeName(sofar).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                return nullptr;
            insertChild(node, name);
            it = std::find_if(node->children.begin(), node->children.end(),
                              [&](const auto& c) { return c->name == name; });
        }
        node = it->get();
    }
    return node;
}

QModelIndex FolderTreeModel::index(const QString& path, int column) const
{
    if (column != 0)
        return {};
    const Node* node = const_cast<FolderTreeModel*>(this)->ensure(path);
    return node ? indexOf(node) : QModelIndex();
}

bool FolderTreeModel::before(const QString& a, const QString& b) const
{
    const int c = m_collator.compare(a, b);
    return c != 0 ? c < 0 : a < b;
}

void FolderTreeModel::insertChild(Node* parent, const QString& name)
{
    const auto at = std::lower_bound(parent->children.begin(), parent->children.end(), name,
                                     [&](const auto& c, const QString& n) { return before(c->name, n); });
    const int row = int(at - parent->children.begin());
    beginInsertRows(indexOf(parent), row, row);
    auto node = std::make_unique<Node>();
    node->name = name;
    node->parent = parent;
    node->born = m_serial;
    parent->children.insert(at, std::move(node));
    parent->renumber(std::size_t(row));
    endInsertRows();
}

void FolderTreeModel::read(Node* node)
{
    node->reading = true;
    node->again = false;
    node->sure = node->shown;
    node->serial = ++m_serial;
    QMetaObject::invokeMethod(
        m_lister,
        [lister = m_lister, serial = node->serial, path = pathOf(node)] { lister->list(serial, path); },
        Qt::QueuedConnection);
}

void FolderTreeModel::listed(quint64 serial, const QString& path, const QStringList& names)
{
    Node* node = find(path);
    if (!node || !node->reading || node->serial != serial)
        return;
    node->reading = false;
    removeGone(node, names, serial);
    insertNew(node, names);
    node->read = true;
    Q_EMIT directoryLoaded(path);
    if (node->again)
        read(node);
}

void FolderTreeModel::removeGone(Node* node, const QStringList& names, quint64 serial)
{
    const QSet<QString> present(names.begin(), names.end());
    // A row made after the read was asked for is newer than what the read saw.
    const auto stays = [&](const Node* c) { return c->born > serial || present.contains(c->name); };
    const QModelIndex at = indexOf(node);
    for (int last = int(node->children.size()) - 1; last >= 0;) {
        if (stays(node->children[std::size_t(last)].get())) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !stays(node->children[std::size_t(first) - 1].get()))
            --first;
        beginRemoveRows(at, first, last);
        for (int r = first; r <= last; ++r)
            unwatchTree(node->children[std::size_t(r)].get());
        node->children.erase(node->children.begin() + first, node->children.begin() + last + 1);
        node->renumber(std::size_t(first));
        endRemoveRows();
        last = first - 1;
    }
}

void FolderTreeModel::insertNew(Node* node, const QStringList& names)
{
    // Where each row stands among the sorted names, doubled so that a row the read did not see
    // fits just before the first name that sorts after it.
    QHash<QString, qsizetype> place;
    place.reserve(names.size());
    for (qsizetype k = 0; k < names.size(); ++k)
        place.insert(names[k], 2 * k + 1);
    std::vector<qsizetype> at;
    at.reserve(node->children.size());
    for (const auto& c : node->children) {
        const auto it = place.constFind(c->name);
        at.push_back(it != place.cend() ? *it
                                        : 2 * (std::lower_bound(names.begin(), names.end(), c->name,
                                                                [&](const QString& n, const QString& m) {
                                                                    return before(n, m);
                                                                }) -
                                               names.begin()));
    }
    if (!std::is_sorted(at.begin(), at.end())) {
        // Rows placed one by one disagree with the read's order: take the read's.
        const QModelIndex parentIndex = indexOf(node);
        Q_EMIT layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)}, VerticalSortHint);
        std::vector<std::pair<qsizetype, std::unique_ptr<Node>>> byPlace;
        for (std::size_t i = 0; i < node->children.size(); ++i)
            byPlace.emplace_back(at[i], std::move(node->children[i]));
        std::stable_sort(byPlace.begin(), byPlace.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < byPlace.size(); ++i) {
            at[i] = byPlace[i].first;
            node->children[i] = std::move(byPlace[i].second);
        }
        node->renumber(0);
        for (const QModelIndex& old : persistentIndexList()) {
            const Node* moved = nodeOf(old);
            if (old.isValid() && moved->parent == node)
                changePersistentIndex(old, createIndex(moved->row, 0, const_cast<Node*>(moved)));
        }
        Q_EMIT layoutChanged({QPersistentModelIndex(parentIndex)}, VerticalSortHint);
    }
    QSet<QString> have;
    for (const auto& c : node->children)
        have.insert(c->name);
    // The names without a row, in runs that go between the same two rows.
    std::size_t row = 0;
    for (qsizetype k = 0; k < names.size();) {
        while (row < at.size() && at[row] < 2 * k + 1)
            ++row;
        if (have.contains(names[k])) {
            ++k;
            continue;
        }
        qsizetype end = k;
        while (end < names.size() && !have.contains(names[end]) &&
               (row >= at.size() || at[row] > 2 * end + 1))
            ++end;
        beginInsertRows(indexOf(node), int(row), int(row + std::size_t(end - k)) - 1);
        std::vector<std::unique_ptr<Node>> fresh;
        std::vector<qsizetype> places;
        for (qsizetype n = k; n < end; ++n) {
            auto child = std::make_unique<Node>();
            child->name = names[n];
            child->parent = node;
            child->born = m_serial;
            fresh.push_back(std::move(child));
            places.push_back(2 * n + 1);
        }
        at.insert(at.begin() + std::ptrdiff_t(row), places.begin(), places.end());
        node->children.insert(node->children.begin() + std::ptrdiff_t(row),
                              std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
        node->renumber(row);
        endInsertRows();
        row += std::size_t(end - k);
        k = end;
    }
}

void FolderTreeModel::unwatchTree(Node* node)
{
    if (node->shown) {
        node->shown = false;
        node->sure = false;
        m_watcher.removePath(pathOf(node));
    }
    for (const auto& c : node->children)
        unwatchTree(c.get());
}

void FolderTreeModel::setShownFolders(const QModelIndexList& folders)
{
    QSet<Node*> wanted;
    for (const QModelIndex& i : folders)
        if (i.isValid() && i.model() == this)
            wanted.insert(nodeOf(i));
    // The rows no longer on screen: their watches go first.
    std::vector<Node*> stack{m_root.get()};
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        if (n->shown && !wanted.contains(n)) {
            n->shown = false;
            n->sure = false;
            m_watcher.removePath(pathOf(n));
        }
        // A watched folder lies on a path of folders that have rows.
        for (const auto& c : n->children)
            if (c->shown || !c->children.empty())
                stack.push_back(c.get());
    }
    for (Node* n : std::as_const(wanted)) {
        if (!n->shown) {
            n->shown = true;
            m_watcher.addPath(pathOf(n));
        }
        // Not read, or hidden since it was read: read now.
        if (n->reading)
            n->again = n->again || !n->sure;
        else if (!n->read || !n->sure)
            read(n);
    }
}

QStringList FolderTreeModel::watchedFolders() const
{
    return m_watcher.directories();
}

void FolderTreeModel::folderChanged(const QString& path)
{
    Node* node = find(path);
    if (!node || !node->shown)
        return;
    // A burst of changes while a read is on its way costs one more read.
    if (node->reading)
        node->again = true;
    else
        read(node);
}

} // namespace vellora

#include "FolderTreeModel.moc"
