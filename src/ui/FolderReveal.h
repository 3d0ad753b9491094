#pragma once
// Keeps one folder of the folder tree (BoxDIR) in view while the file system model lists the
// folders around it. The model reads folders in the background: rows arrive above the folder
// after it was scrolled to and push it out of sight, so the tree scrolls again at each arrival
// until the user takes over (scrolls, clicks, types, or another folder becomes current).

#include <QObject>
#include <QString>
#include <QTimer>

class QTreeView;

namespace vellora {

class FolderTreeModel;

class FolderReveal : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderReveal)

public:
    // tree shows model; both must outlive this object.
    FolderReveal(QTreeView& tree, FolderTreeModel& model, QObject* parent = nullptr);

    // Makes folder current, expands the tree down to it and keeps it in view. False when the
    // model has no row for it.
    bool reveal(const QString& folder);
    [[nodiscard]] bool following() const { return !m_folder.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scrollSoon();
    void scrollNow();
    void stop();

    QTreeView& m_tree;
    FolderTreeModel& m_model;
    QString m_folder; // clean path; empty once the user took over
    QTimer m_scroll;  // one scroll for a burst of arrivals
};

} // namespace vellora
