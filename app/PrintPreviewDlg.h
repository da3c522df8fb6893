#pragma once
// Print preview: shows one or two pages of the text at a time, each painted only when
// it is shown, with Print..., Next Page, Prev Page, One Page/Two Page, zoom in and out,
// fit width, fit page, a page number field and Close. The number of pages shown side
// by side is kept in "Settings"/"PreviewPages".
#include <QDialog>
#include <memory>

class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSpinBox;
class TextBuffer;
class TextPrinter;

class CPrintPreviewDlg : public QDialog {
    Q_OBJECT
public:
    // Neither the text nor the printer is owned.
    CPrintPreviewDlg(const TextBuffer& text, QPrinter& printer, QWidget* parent = nullptr);
    ~CPrintPreviewDlg() override;

    int CurrentPage() const { return m_page; }
    int PageCount() const;
    int PagesShown() const { return m_pagesShown; }
    void SetPage(int page);
    void SetPagesShown(int pages);
    // The picture of one page at the preview's scale.
    QImage RenderPage(int page, int width) const;

    // Zoom: a fixed scale (screen pixels per printer pixel), or fitted to the area.
    enum class Zoom { FitPage, FitWidth, Fixed };
    Zoom ZoomMode() const { return m_zoom; }
    double Scale() const;
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();

    // Paints the shown pages at the current scale onto the page area.
    void PaintPages(QPainter& painter, const QRect& area) const;

signals:
    void printRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateControls();
    void updateArea();
    // The pages' size side by side with their margins at `scale`.
    QSize contentSize(double scale) const;

    const TextBuffer& m_text;
    QPrinter& m_printer;
    std::unique_ptr<TextPrinter> m_layout;
    int m_page = 0;
    int m_pagesShown = 1;
    Zoom m_zoom = Zoom::FitPage;
    double m_scale = 0.1;
    QPushButton* m_next;
    QPushButton* m_prev;
    QPushButton* m_numPages;
    QPushButton* m_zoomIn;
    QPushButton* m_zoomOut;
    QSpinBox* m_pageField;
    QLabel* m_pageLabel;
    QScrollArea* m_scroll;
    QWidget* m_area;
};
