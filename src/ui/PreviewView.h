#pragma once
// The preview's pages on screen: a scroll area over the whole report, one or two pages side
// by side, at a zoom that follows the window (page width, whole page) or is set freely.
// Only the pages in view are drawn, each once per zoom, through pageImage; pages the layout
// has not placed yet show as blank paper until it gets there.

#include "settings/PreviewSettings.h"

#include <list>
#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>

namespace vellora {

class ReportPages;

class PreviewView : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewView)

public:
    // pages outlives the view.
    explicit PreviewView(ReportPages& pages, QWidget* parent = nullptr);

    // The layout has placed more rows: the scroll range grows, a page now complete is drawn.
    void pagesChanged();

    [[nodiscard]] int currentPage() const { return m_current; }
    // Scrolls page (1-based, clamped to the pages known) to the top of the view.
    void showPage(int page);

    // PreviewSettings::Fit.
    [[nodiscard]] int fit() const { return m_fit; }
    void setFit(int fit);
    // Percent of the paper's real size on this screen: the one shown now, whatever the fit.
    [[nodiscard]] int zoom() const;
    // Sets a free zoom, within PreviewSettings' limits.
    void setZoom(int percent);
    // The next step of the zoom ladder above or below the zoom shown.
    void zoomIn();
    void zoomOut();

    [[nodiscard]] int sideBySide() const { return m_columns; }
    void setSideBySide(int columns);

    // Page pictures made so far (one per page in view and zoom).
    [[nodiscard]] int picturesMade() const { return m_picturesMade; }

Q_SIGNALS:
    void currentPageChanged(int page);
    // The zoom, the fit or the pages side by side were set (percent: the zoom shown).
    void zoomChanged(int percent);
    // A page picture has just been made and drawn on screen.
    void pageShown(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Screen pixels per millimetre of paper.
    [[nodiscard]] double pixelsPerMm() const;
    [[nodiscard]] QSize pageSize() const;
    [[nodiscard]] int rowHeight() const;
    [[nodiscard]] int rows() const;
    [[nodiscard]] QRect pageRect(int page) const; // in the viewport
    void updateScrollBars();
    void zoomTo(int fit, double percent);
    [[nodiscard]] const QImage& picture(int page);

    ReportPages& m_pages;
    int m_fit = PreviewSettings::PageWidth;
    double m_zoom = 100; // percent, with FreeZoom
    int m_columns = 1;
    int m_current = 1;
    bool m_scrolling = false; // showPage is moving the scroll bar
    QHash<int, QImage> m_pictures;
    std::list<int> m_recent; // pages in m_pictures, the most recent first
    int m_picturesMade = 0;
};

} // namespace vellora
