#include "app/PrintPreviewDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "uikit/AppSettings.h"
#include "uikit/NumberText.h"
#include "app/TextPrinter.h"

CPrintPreviewDlg::CPrintPreviewDlg(const TextBuffer& text, QPrinter& printer, QWidget* parent)
    : QDialog(parent), m_text(text), m_printer(printer),
      m_layout(std::make_unique<TextPrinter>(text, printer))
{
    setObjectName(QStringLiteral("CPrintPreviewDlg"));
    setWindowTitle(tr("Print Preview") + QStringLiteral(" - ") + tr("Brinewick"));
    auto* print = new QPushButton(tr("&Print..."), this);
    m_next = new QPushButton(tr("&Next Page"), this);
    m_prev = new QPushButton(tr("Pr&ev Page"), this);
    m_numPages = new QPushButton(this);
    auto* close = new QPushButton(tr("&Close"), this);
    m_pageLabel = new QLabel(this);
    print->setObjectName(QStringLiteral("print"));
    m_next->setObjectName(QStringLiteral("next"));
    m_prev->setObjectName(QStringLiteral("prev"));
    m_numPages->setObjectName(QStringLiteral("numPages"));
    close->setObjectName(QStringLiteral("close"));
    for (QPushButton* b : {print, m_next, m_prev, m_numPages, close})
        b->setAutoDefault(false);
    connect(print, &QPushButton::clicked, this, [this] {
        accept();
        emit printRequested();
    });
    connect(m_next, &QPushButton::clicked, this, [this] { SetPage(m_page + m_pagesShown); });
    connect(m_prev, &QPushButton::clicked, this, [this] { SetPage(m_page - m_pagesShown); });
    connect(m_numPages, &QPushButton::clicked, this, [this] { SetPagesShown(m_pagesShown == 1 ? 2 : 1); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{print, m_next, m_prev, m_numPages, close})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(m_pageLabel);
    m_area = new QWidget(this);
    m_area->setMinimumSize(300, 300);
    m_area->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_area, 1);
    resize(800, 700);

    const int saved = OpenAppSettings()->value(QStringLiteral("Settings/PreviewPages"), 1).toInt();
    m_pagesShown = saved == 2 ? 2 : 1;
    updateControls();
}

CPrintPreviewDlg::~CPrintPreviewDlg() = default;

int CPrintPreviewDlg::PageCount() const { return m_layout->PageCount(); }

void CPrintPreviewDlg::SetPage(int page)
{
    m_page = std::clamp(page, 0, std::max(0, PageCount() - 1));
    updateControls();
    update();
}

void CPrintPreviewDlg::SetPagesShown(int pages)
{
    m_pagesShown = pages == 2 ? 2 : 1;
    OpenAppSettings()->setValue(QStringLiteral("Settings/PreviewPages"), m_pagesShown);
    updateControls();
    update();
}

void CPrintPreviewDlg::updateControls()
{
    m_next->setEnabled(m_page + m_pagesShown < PageCount());
    m_prev->setEnabled(m_page > 0);
    m_numPages->setText(m_pagesShown == 1 ? tr("&Two Page") : tr("&One Page"));
    m_numPages->setEnabled(PageCount() > 1 || m_pagesShown == 2);
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

void CPrintPreviewDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = m_area->geometry();
    painter.fillRect(area, palette().dark());
    const QSizeF paper = m_layout->PageSize();
    const int gap = 12;
    const int n = std::min(m_pagesShown, PageCount() - m_page);
    // The largest page size that fits the area, n pages side by side.
    const double scale = std::min((area.width() - gap * (m_pagesShown + 1)) / (m_pagesShown * paper.width()),
                                  (area.height() - 2 * gap) / paper.height());
    if (scale <= 0)
        return;
    const int w = static_cast<int>(paper.width() * scale);
    for (int i = 0; i < n; ++i) {
        const QImage page = RenderPage(m_page + i, w);
        const QPoint at(area.left() + gap + i * (w + gap), area.top() + gap);
        painter.fillRect(QRect(at + QPoint(3, 3), page.size()), Qt::black);
        painter.drawImage(at, page);
    }
}
