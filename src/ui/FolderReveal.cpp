#include "FolderReveal.h"

#include "FolderTreeModel.h"

#include <QDir>
#include <QEvent>
#include <QScrollBar>
#include <QTreeView>

namespace vellora {

FolderReveal::FolderReveal(QTreeView& tree, FolderTreeModel& model, QObject* parent)
    : QObject(parent), m_tree(tree), m_model(model)
{
    m_scroll.setSingleShot(true);
    m_scroll.setInterval(0);
    connect(&m_scroll, &QTimer::timeout, this, &FolderReveal::scrollNow);
    // Rows arrive in batches and are sorted afterwards: either can move the folder.
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &FolderReveal::scrollSoon);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, &FolderReveal::scrollSoon);
    connect(&m_model, &FolderTreeModel::directoryLoaded, this, &FolderReveal::scrollSoon);
    connect(m_tree.selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (following() && QDir::cleanPath(m_model.filePath(current)) != m_folder)
                    stop();
            });
    // Only the user's moves of the scroll bar report an action.
    connect(m_tree.verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &FolderReveal::stop);
    m_tree.installEventFilter(this);
    m_tree.viewport()->installEventFilter(this);
}

bool FolderReveal::reveal(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    const QModelIndex index = m_model.index(path);
    if (!index.isValid())
        return false;
    m_folder = path;
    m_tree.setCurrentIndex(index);
    // Its own subfolders show as well.
    m_tree.expand(index);
    scrollNow();
    return true;
}

void FolderReveal::stop()
{
    m_folder.clear();
    m_scroll.stop();
}

void FolderReveal::scrollSoon()
{
    if (following())
        m_scroll.start();
}

void FolderReveal::scrollNow()
{
    if (!following())
        return;
    const QModelIndex index = m_model.index(m_folder);
    if (!index.isValid())
        return;
    // Expands the folders above it too.
    m_tree.scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool FolderReveal::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        // The first size the tree gets (the window shown) is where the centre really is.
        if (watched == m_tree.viewport())
            scrollSoon();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        stop();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vellora
