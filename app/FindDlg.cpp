#include "app/FindDlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "uikit/DialogUnits.h"

namespace {
constexpr int kIndexRole = Qt::UserRole;
}

CFindDlg::CFindDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CFindDlg"));
    setWindowTitle(tr("Find"));
    setFont(DialogFont());
    const DialogUnits du(font());
    auto place = [&](QWidget* w, int x, int y, int cx, int cy) { w->setGeometry(du.rect(x, y, cx, cy)); };
    auto label = [&](const QString& text, int x, int y, int cx) {
        auto* l = new QLabel(text, this);
        place(l, x, y, cx, 10);
        return l;
    };

    label(tr("Search String:"), 7, 9, 54);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("1000"));
    place(m_edit, 62, 7, 248, 14);
    m_edit->installEventFilter(this);
    // Follow the field's selection while it has the focus; the focus loss itself
    // (which clears the selection) is caught by the event filter first.
    auto track = [this] {
        if (m_edit->hasFocus())
            rememberSelection();
    };
    connect(m_edit, &QLineEdit::selectionChanged, this, track);
    connect(m_edit, &QLineEdit::cursorPositionChanged, this, track);

    auto makeList = [&](const char* id, const QString& caption, int x, int y, int cx, int cy) {
        label(caption, x, y - 10, cx);
        auto* list = new QListWidget(this);
        list->setObjectName(QLatin1String(id));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        place(list, x, y, cx, cy);
        // Only the user moves the current item (the lists are filled without one).
        connect(list, &QListWidget::currentRowChanged, this, [this, list](int row) { OnListChoice(list, row); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
        return list;
    };
    m_keywords = makeList("1012", tr("Key word:"), 7, 40, 110, 40);
    m_variables = makeList("1013", tr("Variables:"), 129, 40, 181, 123);
    m_dimensions = makeList("1003", tr("Dimensions:"), 7, 93, 110, 70);

    m_matchCase = new QCheckBox(tr("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    place(m_matchCase, 129, 170, 80, 12);
    m_wholeWord = new QCheckBox(tr("&Whole word"), this);
    m_wholeWord->setObjectName(QStringLiteral("wholeWord"));
    place(m_wholeWord, 215, 170, 95, 12);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    place(ok, 7, 169, 50, 14);
    ok->setDefault(true);
    auto* close = new QPushButton(tr("close"), this);
    close->setObjectName(QStringLiteral("2"));
    close->setAutoDefault(false);
    place(close, 64, 169, 50, 14);
    connect(ok, &QPushButton::clicked, this, &CFindDlg::accept);
    connect(close, &QPushButton::clicked, this, &CFindDlg::reject);
    setFixedSize(du.x(317), du.y(190));
}

void CFindDlg::Setup(const QString& search, const QStringList* keywords, const std::vector<std::string>* dimensions,
                     const std::vector<std::string>* variables)
{
    m_strSearch = search;
    m_pKeywords = keywords;
    m_pDimensions = dimensions;
    m_pVariables = variables;
}

int CFindDlg::exec()
{
    // OnInitDialog: the lists in array order with each item's index as its data.
    auto fill = [](QListWidget* list, const QStringList& names) {
        const QSignalBlocker block(list);
        list->clear();
        for (int i = 0; i < names.size(); ++i) {
            auto* item = new QListWidgetItem(names[i], list);
            item->setData(kIndexRole, i);
        }
    };
    auto toList = [](const std::vector<std::string>* names) {
        QStringList out;
        if (names)
            for (const std::string& n : *names)
                out << QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
        return out;
    };
    fill(m_keywords, m_pKeywords ? *m_pKeywords : QStringList());
    m_edit->setText(m_strSearch);
    m_edit->selectAll();
    m_selStart = 0;
    m_selLength = static_cast<int>(m_edit->text().size());
    m_matchCase->setChecked(m_bMatchCase);
    m_wholeWord->setChecked(m_bWholeWord);
    fill(m_dimensions, toList(m_pDimensions));
    fill(m_variables, toList(m_pVariables));
    m_edit->setFocus();
    return QDialog::exec();
}

bool CFindDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Runs before the field handles the focus loss (which drops its selection).
    if (watched == m_edit && event->type() == QEvent::FocusOut)
        rememberSelection();
    return QDialog::eventFilter(watched, event);
}

void CFindDlg::rememberSelection()
{
    if (m_edit->hasSelectedText()) {
        m_selStart = m_edit->selectionStart();
        m_selLength = static_cast<int>(m_edit->selectedText().size());
    } else {
        m_selStart = m_edit->cursorPosition();
        m_selLength = 0;
    }
}

QString CFindDlg::EntryOf(QListWidget* list, int index) const
{
    if (list == m_keywords)
        return m_pKeywords && index < m_pKeywords->size() ? m_pKeywords->at(index) : QString();
    const std::vector<std::string>* names = list == m_variables ? m_pVariables : m_pDimensions;
    if (!names || index < 0 || static_cast<std::size_t>(index) >= names->size())
        return QString();
    const std::string& n = (*names)[static_cast<std::size_t>(index)];
    return QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
}

void CFindDlg::OnListChoice(QListWidget* list, int row)
{
    if (row < 0)
        return;
    const QListWidgetItem* item = list->item(row);
    if (!item)
        return;
    const QString name = EntryOf(list, item->data(kIndexRole).toInt());
    // The selection the field has, or had when it lost the focus to the list.
    const int start = m_selStart, length = m_selLength;
    // Moving the cursor away closes the field's current undo step, so that every
    // insertion can be undone on its own.
    m_edit->setCursorPosition(start == 0 ? static_cast<int>(m_edit->text().size()) : 0);
    if (length > 0)
        m_edit->setSelection(start, length);
    else
        m_edit->setCursorPosition(start);
    m_edit->insert(name); // replaces the selection; the field can undo it
    m_selStart = m_edit->cursorPosition();
    m_selLength = 0;
}

void CFindDlg::accept()
{
    m_strSearch = m_edit->text();
    m_bMatchCase = m_matchCase->isChecked();
    m_bWholeWord = m_wholeWord->isChecked();
    QDialog::accept();
}
