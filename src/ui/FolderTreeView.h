#pragma once
// The folder tree (BoxDIR): a tree view over FolderTreeModel that tells the model which
// folders have their rows on screen (its root and the folders opened down from it), so that
// only those are watched for changes.

#include <QList>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>

namespace vellora {

class FolderTreeModel;

class FolderTreeView : public QTreeView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderTreeView)

public:
    explicit FolderTreeView(QWidget* parent = nullptr);

    // The model this view shows; it must outlive the view.
    void setFolderModel(FolderTreeModel* model);
    void setRootIndex(const QModelIndex& index) override;

private:
    void showSoon();
    void tellShown();

    FolderTreeModel* m_folders = nullptr;
    QList<QPersistentModelIndex> m_opened; // as the view reported them, some since closed
    QTimer m_tell;                         // once for a burst of openings and closings
};

} // namespace vellora
