#include "PreviewView.h"

#include "print/PreviewSurface.h"
#include "print/ReportLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace vellora {

namespace {

constexpr int kGap = 14; // grey around and between pages, in pixels
// Enough for two rows of two pages at any zoom, and the ones just scrolled past.
constexpr std::size_t kPicturesKept = 12;
constexpr std::array<double, 14> kZoomSteps{10, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 600, 800};

} // namespace

PreviewView::PreviewView(ReportPages& pages, QWidget* parent) : QAbstractScrollArea(parent), m_pages(pages)
{
    setObjectName(QStringLiteral("imgPagine"));
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(24);
    horizontalScrollBar()->setSingleStep(24);
}

double PreviewView::pixelsPerMm() const
{
    const QSizeF paper = m_pages.geometry().paperMm;
    const double dpmm = logicalDpiX() / 25.4;
    const double areaW = std::max(1, viewport()->width() - (m_columns + 1) * kGap);
    const double areaH = std::max(1, viewport()->height() - 2 * kGap);
    const double byWidth = areaW / (m_columns * paper.width());
    switch (m_fit) {
    case PreviewSettings::PageWidth:
        return byWidth;
    case PreviewSettings::WholePage:
        return std::min(byWidth, areaH / paper.height());
    default:
        return dpmm * m_zoom / 100.0;
    }
}

QSize PreviewView::pageSize() const
{
    const QSizeF paper = m_pages.geometry().paperMm;
    const double s = pixelsPerMm();
    return QSize(std::max(8, int(std::lround(paper.width() * s))),
                 std::max(8, int(std::lround(paper.height() * s))));
}

int PreviewView::rowHeight() const
{
    return pageSize().height() + kGap;
}

int PreviewView::rows() const
{
    return (m_pages.pageCount() + m_columns - 1) / m_columns;
}

QRect PreviewView::pageRect(int page) const
{
    const QSize size = pageSize();
    const int contentWidth = m_columns * size.width() + (m_columns + 1) * kGap;
    const int left = std::max(0, (viewport()->width() - contentWidth) / 2) - horizontalScrollBar()->value();
    const int row = (page - 1) / m_columns;
    const int column = (page - 1) % m_columns;
    return QRect(left + kGap + column * (size.width() + kGap),
                 kGap + row * rowHeight() - verticalScrollBar()->value(), size.width(), size.height());
}

void PreviewView::updateScrollBars()
{
    const QSize size = pageSize();
    const int contentWidth = m_columns * size.width() + (m_columns + 1) * kGap;
    const int contentHeight = rows() * rowHeight() + kGap;
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

void PreviewView::pagesChanged()
{
    updateScrollBars();
    viewport()->update();
}

void PreviewView::showPage(int page)
{
    page = std::clamp(page, 1, std::max(1, m_pages.pageCount()));
    m_scrolling = true;
    verticalScrollBar()->setValue((page - 1) / m_columns * rowHeight());
    m_scrolling = false;
    viewport()->update();
    if (page != m_current) {
        m_current = page;
        Q_EMIT currentPageChanged(page);
    }
}

int PreviewView::zoom() const
{
    return int(std::lround(pixelsPerMm() / (logicalDpiX() / 25.4) * 100.0));
}

void PreviewView::zoomTo(int fit, double percent)
{
    m_fit = fit;
    m_zoom = std::clamp(percent, double(PreviewSettings::kMinZoom), double(PreviewSettings::kMaxZoom));
    m_pictures.clear();
    m_recent.clear();
    updateScrollBars();
    // The page being read stays at the top.
    showPage(m_current);
    viewport()->update();
    Q_EMIT zoomChanged(zoom());
}

void PreviewView::setFit(int fit)
{
    zoomTo(std::clamp(fit, int(PreviewSettings::FreeZoom), int(PreviewSettings::WholePage)), m_zoom);
}

void PreviewView::setZoom(int percent)
{
    zoomTo(PreviewSettings::FreeZoom, percent);
}

void PreviewView::zoomIn()
{
    const int now = zoom();
    const auto* next =
        std::find_if(kZoomSteps.begin(), kZoomSteps.end(), [now](double z) { return z > now; });
    zoomTo(PreviewSettings::FreeZoom, next == kZoomSteps.end() ? kZoomSteps.back() : *next);
}

void PreviewView::zoomOut()
{
    const int now = zoom();
    auto it = std::find_if(kZoomSteps.rbegin(), kZoomSteps.rend(), [now](double z) { return z < now; });
    zoomTo(PreviewSettings::FreeZoom, it == kZoomSteps.rend() ? kZoomSteps.front() : *it);
}

void PreviewView::setSideBySide(int columns)
{
    m_columns = std::clamp(columns, 1, 2);
    zoomTo(m_fit, m_zoom);
}

const QImage& PreviewView::picture(int page)
{
    const auto found = m_pictures.constFind(page);
    if (found != m_pictures.cend()) {
        m_recent.remove(page);
        m_recent.push_front(page);
        return *found;
    }
    if (m_recent.size() >= kPicturesKept) {
        m_pictures.remove(m_recent.back());
        m_recent.pop_back();
    }
    // Drawn at the screen's own pixels, so the text is as sharp as the zoom allows.
    const double ratio = devicePixelRatioF();
    QImage image = pageImage(m_pages, page, pixelsPerMm() * 25.4 * ratio);
    image.setDevicePixelRatio(ratio);
    ++m_picturesMade;
    m_recent.push_front(page);
    return *m_pictures.insert(page, std::move(image));
}

void PreviewView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
    const int count = m_pages.pageCount();
    if (count == 0)
        return;
    const int rh = rowHeight();
    const int top = std::max(0, (verticalScrollBar()->value() - kGap) / rh);
    const int bottom = (verticalScrollBar()->value() + viewport()->height()) / rh;
    QList<int> fresh;
    for (int row = top; row <= bottom; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int page = row * m_columns + column + 1;
            if (page > count)
                break;
            const QRect r = pageRect(page);
            if (!r.intersects(event->rect()))
                continue;
            painter.fillRect(r.translated(3, 3), QColor(0x50, 0x50, 0x50));
            if (m_pages.pageReady(page)) {
                const bool made = !m_pictures.contains(page);
                painter.drawImage(r, picture(page));
                if (made)
                    fresh << page;
            } else {
                painter.fillRect(r, Qt::white);
            }
            painter.setPen(QColor(0x30, 0x30, 0x30));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    painter.end();
    for (int page : fresh)
        Q_EMIT pageShown(page);
}

void PreviewView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fit != PreviewSettings::FreeZoom)
        zoomTo(m_fit, m_zoom);
    else
        updateScrollBars();
}

void PreviewView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() > 0)
            zoomIn();
        else if (event->angleDelta().y() < 0)
            zoomOut();
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void PreviewView::scrollContentsBy(int, int)
{
    viewport()->update();
    if (m_scrolling)
        return;
    // The page whose row holds the upper half of the view is the one being read.
    const int row = (verticalScrollBar()->value() + rowHeight() / 2) / rowHeight();
    const int page = std::clamp(row * m_columns + 1, 1, std::max(1, m_pages.pageCount()));
    if (page != m_current) {
        m_current = page;
        Q_EMIT currentPageChanged(page);
    }
}

} // namespace vellora
