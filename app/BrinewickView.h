#pragma once
// The read-only text view: shows the CDL text of the open file with word wrap, a caret
// and a selection, and carries the navigation and search commands.
#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <string>

#include "profile/profile_shape.h"
#include <vector>

#include "app/BrinewickDoc.h"
#include "app/FontTextMeasure.h"
#include "text/TextBuffer.h"
#include "text/TextLayout.h"

class CBrinewickDoc;

// What the rendering learned of the shown file's header, for the structure panel.
struct FileStructure {
    std::vector<CdlDimension> dimensions;
    std::vector<CdlVariable> variables;
    std::vector<std::string> globalAttributes;
};

class CBrinewickView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CBrinewickView(CBrinewickDoc* doc, QWidget* parent = nullptr);

    // --- text --------------------------------------------------------------------
    // Replaces the shown text; caret and selection go to the start, line 0 to the top.
    void SetText(std::string text);
    // The same for a text whose line index is built already (on a worker).
    void SetBuffer(TextBuffer&& buffer);
    const TextBuffer& Buffer() const { return m_text; }
    bool IsTextEmpty() const { return m_text.empty(); }

    // A file whose text is about to stream in: the text empties, and the header's
    // structure and name lists and the profile tools' state are those of the file.
    void BeginText(CdlOutcome&& header, const ProfileToolsInfo& profile);
    // Text that has arrived goes at the end (new line starts as TextBuffer::append
    // takes them); caret, selection and scroll position stay where the user has them.
    void AppendText(std::string_view bytes, const std::vector<std::size_t>& newLineStarts);
    // New document: empties the text.
    void OnNewDocument();
    const FileStructure& Structure() const { return m_structure; }

    // Where the structure's items stand in the shown text: the byte range of the name
    // in its declaration (or in the first line of a variable's data); empty when absent.
    enum class Item { Dimension, Variable, GlobalAttribute };
    std::pair<std::size_t, std::size_t> DeclarationOf(Item kind, std::size_t index) const;
    std::pair<std::size_t, std::size_t> DataOf(std::size_t variable) const;
    // Selects [start, end) and scrolls its line to the middle of the view.
    void ShowRange(std::size_t start, std::size_t end);
    // Scrolls so that the display line holding `offset` stands in the middle of the view.
    void CenterOffset(std::size_t offset);

    // --- selection, caret and scrolling (byte offsets, display lines) -------------
    void GetSel(std::size_t& start, std::size_t& end) const;
    // Selects [start, end); the caret stands at `end`.
    void SetSel(std::size_t start, std::size_t end);
    bool HasSelection() const { return m_anchor != m_caret; }
    std::size_t CaretPos() const { return m_caret; }
    QString SelectedText() const;
    std::size_t GetFirstVisibleLine() const;
    std::size_t GetLineCount() const { return layout().displayLineCount(); }
    int LinesPerPage() const;
    // Scrolls by n display lines, as far as the text allows.
    void LineScroll(long long n);
    void ScrollCaret();

    // --- commands ------------------------------------------------------------------
    void OnAllSelect();
    void OnJumpTop();
    void OnJumpTail();
    void OnJumpDimensions() { JumpToMarker("\ndimensions:", 1); }
    void OnJumpVariables() { JumpToMarker("\nvariables:", 1); }
    void OnJumpData() { JumpToMarker("\ndata:", 1); }
    void OnJumpGlobalAttributes() { JumpToMarker("\n// global attributes:", 1); }
    void JumpToMarker(const char* marker, int offset);
    void OnGotoLine();
    void OnFind();
    void OnFindNext() { SearchNext(); }
    void SearchNext();
    void OnEditCopy();
    void OnEditCut() {} // read-only: nothing to cut

    // Text of a byte range as shown: UTF-8 decoded, any invalid byte as one character.
    static QString DisplayString(std::string_view bytes);
    // The measure that wraps, paints and hit-tests the text (the view's font).
    const FontTextMeasure& Measure() const { return *m_measure; }
    // Where the character boundary at `offset` is painted, in viewport coordinates
    // (top of its display line), or (-1, -1) when its line is not on screen.
    QPointF PointOfOffset(std::size_t offset) const;
    // The character boundary nearest to a point of the viewport (what a click hits).
    std::size_t OffsetAt(const QPoint& pos) const { return offsetAt(pos); }

    bool m_bProfileFile = false;
    ProfileExtent m_profileExtent; // the shown file's N_PROF and N_LEVELS
    QString m_strProfileReason;    // why the profile tools are off, for the status bar
    std::vector<std::string> m_astrDimensions;
    std::vector<std::string> m_astrVariables;
    QString m_strSearch;
    long long m_nSearchPos = 0;
    bool m_bMatchCase = true; // Find's options, kept in the settings
    bool m_bWholeWord = false;
    QStringList m_astrKeywords;

signals:
    // Text, selection or search string changed: the commands' enabled states follow.
    void stateChanged();
    // A new file's structure (or none) is shown.
    void structureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The display lines at the current width, laid out when first needed after the
    // text changed (so a text set before the window shows is laid out once).
    const TextLayout& layout() const;
    void updateMetrics();
    void relayout();
    void updateScrollBar();
    // The width the text wraps at: the viewport (which the scroll bar leaves) less margins.
    double textWidth() const;
    std::size_t offsetAt(const QPoint& pos) const;
    // Offset of the character boundary nearest to `x` on display line `pos`.
    std::size_t offsetInPiece(const TextLayout::Position& pos, double x) const;
    void moveCaret(std::size_t offset, bool extend);
    // Caret position within its display line.
    double caretX() const;

    CBrinewickDoc* m_doc; // not owned
    FileStructure m_structure;
    TextBuffer m_text;
    mutable TextLayout m_layout;
    mutable bool m_layoutDirty = true;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    double m_goalX = -1; // where Up and Down keep the caret, -1: where it stands
    std::unique_ptr<FontTextMeasure> m_measure;
    int m_lineHeight = 16;
    double m_ascent = 12;
    static constexpr int kMargin = 2;
};
