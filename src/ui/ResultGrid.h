#pragma once
// GRIGLIA: the view of the result table, with the number column "Nr." fixed at the left
// edge so that it stays in view when the table scrolls sideways, like the heading row.
// The fixed column is a second view over the same model and selection, laid over the
// first column of this one.

#include <QTableView>

namespace vellora {

class ResultGrid : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultGrid)

public:
    explicit ResultGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // Takes over the row height and header look of this view; call after changing them.
    void syncNumberColumn();
    [[nodiscard]] QTableView* numberColumn() const { return m_fixed; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void updateGeometries() override;

private:
    void placeNumberColumn();
    void showOnlyNumberColumn();

    QTableView* m_fixed; // child, owned by this view
};

} // namespace vellora
