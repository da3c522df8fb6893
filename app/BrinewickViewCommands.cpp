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
#include "uikit/NumberText.h"
#include "text/Utf8Char.h"

void CBrinewickView::ShowBuiltText(BuiltText&& built)
{
    m_astrDimensions = std::move(built.outcome.dimension_names);
    m_astrVariables = std::move(built.outcome.variable_names);
    m_bProfileFile = built.profileFile;
    m_profileExtent = built.profileExtent;
    m_strProfileReason = QString::fromStdString(built.profileReason);
    SetBuffer(std::move(built.buffer));
}

void CBrinewickView::ClearProfileFlag()
{
    m_bProfileFile = false;
    m_profileExtent = {};
    m_strProfileReason.clear();
    emit stateChanged();
}

void CBrinewickView::OnNewDocument()
{
    SetText(std::string());
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
    dlg.Setup(s != e ? SelectedText() : m_strSearch, &m_astrKeywords, &m_astrDimensions,
              &m_astrVariables);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_strSearch = dlg.m_strSearch;
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
            const std::size_t p = FindBytes(text, pos, needleView);
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
        BwMessageBox(this, tr("There is not appointed character string."), tr("Search error."),
                     MbIcon::Exclamation);
        return;
    }
    SetSel(static_cast<std::size_t>(p), static_cast<std::size_t>(p) + needle.size());
    ScrollCaret();
    m_nSearchPos = p + 1;
    emit stateChanged();
}
