// CBrinewickView: building the text, the jumps, Goto Line and the search.
#include <QStringList>
#include <cstring>

#include "app/BrinewickDoc.h"
#include "app/BrinewickView.h"
#include "text/ByteSearch.h"
#include "text/CompactText.h"
#include "app/FindDlg.h"
#include "app/GotoLineDlg.h"
#include "uikit/MessageBox.h"
#include "uikit/AppSettings.h"
#include "uikit/NumberText.h"
#include "text/Utf8Char.h"

void CBrinewickView::BeginText(CdlOutcome&& header, const ProfileToolsInfo& profile)
{
    m_astrDimensions = std::move(header.dimension_names);
    m_astrVariables = std::move(header.variable_names);
    m_bProfileFile = profile.offered;
    m_profileExtent = profile.extent;
    m_strProfileReason = QString::fromStdString(profile.reason);
    m_structure.dimensions = std::move(header.dimensions);
    m_structure.variables = std::move(header.variables);
    m_structure.globalAttributes = std::move(header.global_attribute_names);
    SetText(std::string());
    emit structureChanged();
}

void CBrinewickView::AppendText(std::string_view bytes, const std::vector<std::size_t>& newLineStarts)
{
    if (bytes.empty())
        return;
    const bool first = m_text.empty();
    m_text.append(bytes, newLineStarts);
    if (!m_layoutDirty)
        m_layout.extend();
    if (isVisible())
        updateScrollBar();
    viewport()->update();
    emit stateChanged();
    if (first)
        emit structureChanged(); // the panel lists a file's structure once its text shows
}

void CBrinewickView::OnNewDocument()
{
    m_structure = FileStructure();
    SetText(std::string());
    emit structureChanged();
}

std::pair<std::size_t, std::size_t> CBrinewickView::DeclarationOf(Item kind, std::size_t index) const
{
    const std::string& text = m_text.bytes();
    // The header ends where the data section begins; the compaction left it as rendered.
    const std::size_t dataAt = text.find("\ndata:");
    const std::string_view header = std::string_view(text).substr(0, dataAt);
    std::string before, name, after;
    switch (kind) {
    case Item::Dimension:
        if (index >= m_structure.dimensions.size())
            return {};
        before = "\n\t";
        name = m_structure.dimensions[index].name;
        after = " = ";
        break;
    case Item::Variable: {
        if (index >= m_structure.variables.size())
            return {};
        const CdlVariable& v = m_structure.variables[index];
        before = "\n\t" + v.type + " ";
        name = v.name;
        after = v.shape.empty() ? " ;" : "(";
        break;
    }
    case Item::GlobalAttribute:
        if (index >= m_structure.globalAttributes.size())
            return {};
        before = "\n\t\t:";
        name = m_structure.globalAttributes[index];
        after = " = ";
        break;
    }
    const std::size_t p = FindBytes(header, 0, before + name + after);
    if (p == std::string_view::npos)
        return {};
    return {p + before.size(), p + before.size() + name.size()};
}

std::pair<std::size_t, std::size_t> CBrinewickView::DataOf(std::size_t variable) const
{
    if (variable >= m_structure.variables.size())
        return {};
    const std::string& text = m_text.bytes();
    const std::size_t dataAt = text.find("\ndata:");
    if (dataAt == std::string::npos)
        return {};
    // Data lines lost their leading blanks in the compaction: "NAME = ..." at a line start.
    const std::string& name = m_structure.variables[variable].name;
    const std::size_t p = FindBytes(text, dataAt, "\n" + name + " =");
    if (p == std::string_view::npos)
        return {};
    return {p + 1, p + 1 + name.size()};
}

void CBrinewickView::ShowRange(std::size_t start, std::size_t end)
{
    SetSel(start, end);
    CenterOffset(end);
}

void CBrinewickView::CenterOffset(std::size_t offset)
{
    const long long line = static_cast<long long>(layout().displayLineOfOffset(offset));
    const long long top = line - (LinesPerPage() - 1) / 2;
    LineScroll(top - static_cast<long long>(GetFirstVisibleLine()));
}

void CBrinewickView::OnJumpTop()
{
    LineScroll(-static_cast<long long>(GetFirstVisibleLine()));
}

void CBrinewickView::OnJumpTail()
{
    LineScroll(static_cast<long long>(GetLineCount()));
}

void CBrinewickView::JumpToMarker(const char* marker, int offset)
{
    const std::string& text = m_text.bytes();
    const std::size_t p = text.find(marker);
    std::size_t line = 0;
    if (p == std::string::npos) {
        // No such section: the line that holds the caret (or the selection's start).
        std::size_t s = 0, e = 0;
        GetSel(s, e);
        line = layout().displayLineOfOffset(s);
    } else {
        line = layout().displayLineOfOffset(p);
    }
    LineScroll(static_cast<long long>(line) + offset - static_cast<long long>(GetFirstVisibleLine()));
}

void CBrinewickView::OnGotoLine()
{
    CGotoLineDlg dlg(this);
    dlg.m_nLine = static_cast<int>(std::min<std::size_t>(GetFirstVisibleLine(), INT_MAX - 1));
    if (dlg.exec() != QDialog::Accepted)
        return;
    LineScroll(static_cast<long long>(dlg.m_nLine) - static_cast<long long>(GetFirstVisibleLine()));
}

void CBrinewickView::OnFind()
{
    std::size_t s = 0, e = 0;
    GetSel(s, e);
    CFindDlg dlg(this);
    dlg.Setup(s != e ? SelectedText() : m_strSearch, &m_astrKeywords, &m_astrDimensions, &m_astrVariables);
    dlg.m_bMatchCase = m_bMatchCase;
    dlg.m_bWholeWord = m_bWholeWord;
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_strSearch = dlg.m_strSearch;
    m_bMatchCase = dlg.m_bMatchCase;
    m_bWholeWord = dlg.m_bWholeWord;
    AppKey::kFindMatchCase.Write(m_bMatchCase);
    AppKey::kFindWholeWord.Write(m_bWholeWord);
    emit stateChanged();
    SearchNext();
}

void CBrinewickView::SearchNext()
{
    const std::string& text = m_text.bytes();
    const QByteArray needle = m_strSearch.toUtf8();
    auto findFrom = [&](long long from) -> long long {
        if (from < 0 || static_cast<std::size_t>(from) > text.size())
            return -1;
        std::size_t pos = static_cast<std::size_t>(from);
        const std::string_view needleView(needle.constData(), static_cast<std::size_t>(needle.size()));
        while (true) {
            const std::size_t p = FindText(text, pos, needleView, m_bMatchCase, m_bWholeWord);
            if (p == std::string_view::npos)
                return -1;
            // Never a hit that begins inside a UTF-8 sequence.
            if (!needle.isEmpty() && IsUtf8Continuation(text[p])) {
                const std::size_t q = m_text.prevBoundary(p);
                if (q < p && q + Utf8CharLength(text, q) > p) {
                    pos = p + 1;
                    continue;
                }
            }
            return static_cast<long long>(p);
        }
    };
    long long p = findFrom(m_nSearchPos);
    if (p < 0 && m_nSearchPos != 0)
        p = findFrom(0);
    if (p < 0) {
        BwMessageBox(this, tr("There is not appointed character string."), tr("Search error."), MbIcon::Exclamation);
        return;
    }
    SetSel(static_cast<std::size_t>(p), static_cast<std::size_t>(p) + needle.size());
    // A hit off the screen comes to the middle of the view, with text around it.
    const QPointF at = PointOfOffset(static_cast<std::size_t>(p));
    const QPointF end = PointOfOffset(static_cast<std::size_t>(p) + needle.size());
    if (at.y() < 0 || end.y() < 0 || end.y() + 2 * m_lineHeight > viewport()->height())
        CenterOffset(static_cast<std::size_t>(p));
    m_nSearchPos = p + 1;
    emit stateChanged();
}
