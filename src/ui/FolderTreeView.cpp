#include "FolderTreeView.h"

#include "FolderTreeModel.h"

namespace vellora {

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent)
{
    m_tell.setSingleShot(true);
    m_tell.setInterval(0);
    connect(&m_tell, &QTimer::timeout, this, &FolderTreeView::tellShown);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        m_opened.append(QPersistentModelIndex(index));
        showSoon();
    });
    connect(this, &QTreeView::collapsed, this, &FolderTreeView::showSoon);
}

void FolderTreeView::setFolderModel(FolderTreeModel* model)
{
    m_folders = model;
    setModel(model);
}

void FolderTreeView::setRootIndex(const QModelIndex& index)
{
    QTreeView::setRootIndex(index);
    showSoon();
}

void FolderTreeView::showSoon()
{
    m_tell.start();
}

void FolderTreeView::tellShown()
{
    if (!m_folders)
        return;
    const QModelIndex root = rootIndex();
    QModelIndexList shown;
    if (root.isValid())
        shown << root;
    // An opened folder shows its rows when every folder above it, up to the root, is open too.
    const auto inView = [&](const QModelIndex& folder) {
        for (QModelIndex up = folder.parent(); up != root; up = up.parent())
            if (!up.isValid() || !isExpanded(up))
                return false;
        return true;
    };
    QList<QPersistentModelIndex> stillOpen;
    for (const QPersistentModelIndex& opened : std::as_const(m_opened)) {
        if (!opened.isValid() || !isExpanded(opened) || stillOpen.contains(opened))
            continue;
        stillOpen << opened;
        if (inView(opened))
            shown << opened;
    }
    m_opened = stillOpen;
    m_folders->setShownFolders(shown);
}

} // namespace vellora
