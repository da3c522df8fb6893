#pragma once
// Print preview: shows one or two pages of the text at a time, each painted only when
// it is shown, with Print..., Next Page, Prev Page, One Page/Two Page and Close.
// The number of pages shown side by side is kept in "Settings"/"PreviewPages".
#include <QDialog>
#include <memory>

class QLabel;
class QPrinter;
class QPushButton;
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

signals:
    void printRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateControls();

    const TextBuffer& m_text;
    QPrinter& m_printer;
    std::unique_ptr<TextPrinter> m_layout;
    int m_page = 0;
    int m_pagesShown = 1;
    QPushButton* m_next;
    QPushButton* m_prev;
    QPushButton* m_numPages;
    QLabel* m_pageLabel;
    QWidget* m_area;
};
