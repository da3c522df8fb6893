#include "app/PrintPreviewDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "uikit/AppSettings.h"
#include "uikit/NumberText.h"
#include "app/TextPrinter.h"

namespace {

constexpr int kGap = 12;
constexpr double kZoomStep = 1.25;
constexpr double kMinPageWidth = 50; // screen pixels
constexpr int kMaxPageWidth = 4000;  // screen pixels: a page image beyond this is not worth its memory

// The area the pages are painted on, inside the scroll area.
class PageArea : public QWidget {
public:
    explicit PageArea(const CPrintPreviewDlg* dlg, QWidget* parent) : QWidget(parent), m_dlg(dlg) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_dlg->PaintPages(painter, rect());
    }

private:
    const CPrintPreviewDlg* m_dlg; // not owned
};

} // namespace

CPrintPreviewDlg::CPrintPreviewDlg(const TextBuffer& text, QPrinter& printer, QWidget* parent)
    : QDialog(parent), m_text(text), m_printer(printer), m_layout(std::make_unique<TextPrinter>(text, printer))
{
    setObjectName(QStringLiteral("CPrintPreviewDlg"));
    setWindowTitle(tr("Print Preview") + QStringLiteral(" - ") + tr("Brinewick"));
    auto* print = new QPushButton(tr("&Print..."), this);
    m_next = new QPushButton(tr("&Next Page"), this);
    m_prev = new QPushButton(tr("Pr&ev Page"), this);
    m_numPages = new QPushButton(this);
    m_zoomIn = new QPushButton(tr("Zoom &In"), this);
    m_zoomOut = new QPushButton(tr("Zoom O&ut"), this);
    auto* fitWidth = new QPushButton(tr("Fit &Width"), this);
    auto* fitPage = new QPushButton(tr("Fit P&age"), this);
    auto* close = new QPushButton(tr("&Close"), this);
    m_pageField = new QSpinBox(this);
    m_pageLabel = new QLabel(this);
    print->setObjectName(QStringLiteral("print"));
    m_next->setObjectName(QStringLiteral("next"));
    m_prev->setObjectName(QStringLiteral("prev"));
    m_numPages->setObjectName(QStringLiteral("numPages"));
    m_zoomIn->setObjectName(QStringLiteral("zoomIn"));
    m_zoomOut->setObjectName(QStringLiteral("zoomOut"));
    fitWidth->setObjectName(QStringLiteral("fitWidth"));
    fitPage->setObjectName(QStringLiteral("fitPage"));
    close->setObjectName(QStringLiteral("close"));
    m_pageField->setObjectName(QStringLiteral("pageNumber"));
    m_pageField->setRange(1, std::max(1, PageCount()));
    m_pageField->setKeyboardTracking(false); // a typed number counts on Enter
    m_pageField->setAccelerated(true);
    for (QPushButton* b : {print, m_next, m_prev, m_numPages, m_zoomIn, m_zoomOut, fitWidth, fitPage, close})
        b->setAutoDefault(false);
    connect(print, &QPushButton::clicked, this, [this] {
        accept();
        emit printRequested();
    });
    connect(m_next, &QPushButton::clicked, this, [this] { SetPage(m_page + m_pagesShown); });
    connect(m_prev, &QPushButton::clicked, this, [this] { SetPage(m_page - m_pagesShown); });
    connect(m_numPages, &QPushButton::clicked, this, [this] { SetPagesShown(m_pagesShown == 1 ? 2 : 1); });
    connect(m_zoomIn, &QPushButton::clicked, this, &CPrintPreviewDlg::ZoomIn);
    connect(m_zoomOut, &QPushButton::clicked, this, &CPrintPreviewDlg::ZoomOut);
    connect(fitWidth, &QPushButton::clicked, this, &CPrintPreviewDlg::FitWidth);
    connect(fitPage, &QPushButton::clicked, this, &CPrintPreviewDlg::FitPage);
    connect(m_pageField, &QSpinBox::valueChanged, this, [this](int page) { SetPage(page - 1); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{print, m_next, m_prev, m_numPages, m_zoomIn, m_zoomOut, fitWidth,
                                                      fitPage, close})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(new QLabel(tr("Page:"), this));
    bar->addWidget(m_pageField);
    bar->addWidget(m_pageLabel);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("area"));
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_area = new PageArea(this, m_scroll);
    m_scroll->setWidget(m_area);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);
    m_scroll->setMinimumSize(300, 300);
    resize(900, 700);

    const int saved = OpenAppSettings()->value(QStringLiteral("Settings/PreviewPages"), 1).toInt();
    m_pagesShown = saved == 2 ? 2 : 1;
    updateControls();
    updateArea();
}

CPrintPreviewDlg::~CPrintPreviewDlg() = default;

int CPrintPreviewDlg::PageCount() const
{
    return m_layout->PageCount();
}

void CPrintPreviewDlg::SetPage(int page)
{
    m_page = std::clamp(page, 0, std::max(0, PageCount() - 1));
    updateControls();
    m_area->update();
}

void CPrintPreviewDlg::SetPagesShown(int pages)
{
    m_pagesShown = pages == 2 ? 2 : 1;
    OpenAppSettings()->setValue(QStringLiteral("Settings/PreviewPages"), m_pagesShown);
    updateControls();
    updateArea();
}

double CPrintPreviewDlg::Scale() const
{
    const QSizeF paper = m_layout->PageSize();
    const QSize view = m_scroll->viewport()->size();
    const double byWidth = (view.width() - kGap * (m_pagesShown + 1)) / (m_pagesShown * std::max(1.0, paper.width()));
    const double byHeight = (view.height() - 2 * kGap) / std::max(1.0, paper.height());
    double scale = m_scale;
    if (m_zoom == Zoom::FitWidth)
        scale = byWidth;
    else if (m_zoom == Zoom::FitPage)
        scale = std::min(byWidth, byHeight);
    const double largest = kMaxPageWidth / std::max(1.0, paper.width());
    return std::clamp(scale, kMinPageWidth / std::max(1.0, paper.width()), largest);
}

void CPrintPreviewDlg::ZoomIn()
{
    m_scale = Scale() * kZoomStep;
    m_zoom = Zoom::Fixed;
    updateArea();
}

void CPrintPreviewDlg::ZoomOut()
{
    m_scale = Scale() / kZoomStep;
    m_zoom = Zoom::Fixed;
    updateArea();
}

void CPrintPreviewDlg::FitWidth()
{
    m_zoom = Zoom::FitWidth;
    updateArea();
}

void CPrintPreviewDlg::FitPage()
{
    m_zoom = Zoom::FitPage;
    updateArea();
}

QSize CPrintPreviewDlg::contentSize(double scale) const
{
    const QSizeF paper = m_layout->PageSize();
    const int w = static_cast<int>(paper.width() * scale);
    const int h = static_cast<int>(paper.height() * scale);
    return QSize(m_pagesShown * w + kGap * (m_pagesShown + 1), h + 2 * kGap);
}

void CPrintPreviewDlg::updateArea()
{
    const QSize content = contentSize(Scale());
    m_area->resize(content.expandedTo(m_scroll->viewport()->size()));
    const double largest = kMaxPageWidth / std::max(1.0, m_layout->PageSize().width());
    m_zoomIn->setEnabled(Scale() < largest);
    m_area->update();
}

void CPrintPreviewDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    updateArea();
}

void CPrintPreviewDlg::updateControls()
{
    m_next->setEnabled(m_page + m_pagesShown < PageCount());
    m_prev->setEnabled(m_page > 0);
    m_numPages->setText(m_pagesShown == 1 ? tr("&Two Page") : tr("&One Page"));
    m_numPages->setEnabled(PageCount() > 1 || m_pagesShown == 2);
    {
        const QSignalBlocker block(m_pageField);
        m_pageField->setValue(m_page + 1);
    }
    QString text = tr("Page %1").arg(IntegerText(m_page + 1));
    if (m_pagesShown == 2 && m_page + 1 < PageCount())
        text = tr("Pages %1-%2").arg(IntegerText(m_page + 1), IntegerText(m_page + 2));
    m_pageLabel->setText(text + tr(" of %1").arg(IntegerText(PageCount())));
}

QImage CPrintPreviewDlg::RenderPage(int page, int width) const
{
    const QSizeF paper = m_layout->PageSize();
    const double scale = width / std::max(1.0, paper.width());
    QImage image(width, std::max(1, static_cast<int>(paper.height() * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(-m_layout->PaperOrigin());
    m_layout->PaintPage(painter, page);
    return image;
}

void CPrintPreviewDlg::PaintPages(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, palette().dark());
    const double scale = Scale();
    const QSize content = contentSize(scale);
    const int n = std::min(m_pagesShown, PageCount() - m_page);
    const int w = static_cast<int>(m_layout->PageSize().width() * scale);
    if (w < 1)
        return;
    // Centred across when narrower than the area.
    const int left = area.left() + std::max(0, (area.width() - content.width()) / 2);
    for (int i = 0; i < n; ++i) {
        const QPoint at(left + kGap + i * (w + kGap), area.top() + kGap);
        const QRect target(at, QSize(w, static_cast<int>(m_layout->PageSize().height() * scale)));
        if (!target.intersects(painter.clipBoundingRect().toAlignedRect()) && painter.hasClipping())
            continue;
        const QImage page = RenderPage(m_page + i, w);
        painter.fillRect(QRect(at + QPoint(3, 3), page.size()), Qt::black);
        painter.drawImage(at, page);
    }
}
