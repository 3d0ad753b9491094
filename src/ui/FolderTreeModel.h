#pragma once
// The model of the folder tree (BoxDIR): folders only. A folder's subfolders are read on a
// helper thread from the types its directory entries carry; no file is ever opened, read or
// asked for its type, so a folder of thousands of files costs one pass over its names. Only
// the folders whose rows are on screen are watched for changes (the view says which); a
// folder shown again is read again, as it may have changed while hidden.

#include <QAbstractItemModel>
#include <QCollator>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QThread>

#include <memory>
#include <vector>

namespace vellora {

class FolderLister;

class FolderTreeModel : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderTreeModel)

public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    using QAbstractItemModel::index;
    // The row of the folder at an absolute path. The folders on the way that have no row yet
    // get one at once, each checked to be a folder; invalid when one is not.
    [[nodiscard]] QModelIndex index(const QString& path, int column = 0) const;
    // The folder's absolute path, without a trailing "/" (but "/" itself).
    [[nodiscard]] QString filePath(const QModelIndex& index) const;

    // The folders whose rows are on screen: the view's root and its expanded folders. Exactly
    // these are watched from now on; one that was hidden since it was read is read again.
    void setShownFolders(const QModelIndexList& folders);
    [[nodiscard]] QStringList watchedFolders() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    // The subfolders of path were read and their rows are in place.
    void directoryLoaded(const QString& path);

private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    QString pathOf(const Node* node) const;
    Node* find(const QString& path) const;
    Node* ensure(const QString& path);
    [[nodiscard]] bool before(const QString& a, const QString& b) const;
    void insertChild(Node* parent, const QString& name);
    void read(Node* node);
    void listed(quint64 serial, const QString& path, const QStringList& names);
    void removeGone(Node* node, const QStringList& names, quint64 serial);
    void insertNew(Node* node, const QStringList& names);
    void unwatchTree(Node* node);
    void folderChanged(const QString& path);

    std::unique_ptr<Node> m_root; // the invisible root; its one child is "/"
    QIcon m_folderIcon;
    QCollator m_collator;
    QFileSystemWatcher m_watcher;
    QThread m_thread;
    FolderLister* m_lister = nullptr; // lives on m_thread, deleted when it ends
    quint64 m_serial = 0;             // of the last read asked for
};

} // namespace vellora
