#include "app/StructurePanel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/BrinewickView.h"
#include "uikit/NumberText.h"

namespace {

constexpr int kKindRole = Qt::UserRole;      // CBrinewickView::Item, -1 for a group
constexpr int kIndexRole = Qt::UserRole + 1; // index in the structure's list

QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

CStructurePanel::CStructurePanel(CBrinewickView* view, QWidget* parent)
    : QDockWidget(tr("Structure"), parent), m_view(view)
{
    setObjectName(QStringLiteral("StructurePanel"));
    auto* body = new QWidget(this);
    m_filter = new QLineEdit(body);
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filter->setPlaceholderText(tr("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_tree = new QTreeWidget(body);
    m_tree->setObjectName(QStringLiteral("tree"));
    m_tree->setColumnCount(3);
    m_tree->setHeaderLabels({tr("Name"), tr("Type / length"), tr("Long name")});
    m_tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_tree->setUniformRowHeights(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_filter);
    layout->addWidget(m_tree, 1);
    setWidget(body);

    connect(m_filter, &QLineEdit::textEdited, this, &CStructurePanel::SetFilter);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { GoToDeclaration(item); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { GoToData(item); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CStructurePanel::showMenu);
    connect(m_view, &CBrinewickView::structureChanged, this, &CStructurePanel::refill);
    refill();
}

void CStructurePanel::refill()
{
    const FileStructure& s = m_view->Structure();
    m_tree->clear();
    auto group = [this](const QString& title, std::size_t count) {
        const QString text =
            title + QStringLiteral(" (") + IntegerText(static_cast<long long>(count)) + QLatin1Char(')');
        auto* item = new QTreeWidgetItem(m_tree, {text});
        item->setData(0, kKindRole, -1);
        item->setExpanded(true);
        item->setFirstColumnSpanned(true);
        return item;
    };
    auto add = [](QTreeWidgetItem* parent, CBrinewickView::Item kind, std::size_t index, const QStringList& texts) {
        auto* item = new QTreeWidgetItem(parent, texts);
        item->setData(0, kKindRole, static_cast<int>(kind));
        item->setData(0, kIndexRole, static_cast<qulonglong>(index));
        item->setToolTip(0, texts.join(QLatin1Char(' ')).trimmed());
    };
    if (m_view->IsTextEmpty())
        return;
    QTreeWidgetItem* dims = group(tr("Dimensions"), s.dimensions.size());
    for (std::size_t i = 0; i < s.dimensions.size(); ++i) {
        const CdlDimension& d = s.dimensions[i];
        QString length = IntegerText(static_cast<long long>(d.length));
        if (d.unlimited)
            length = tr("UNLIMITED (%1)").arg(length);
        add(dims, CBrinewickView::Item::Dimension, i, {FromUtf8(d.name), length});
    }
    QTreeWidgetItem* vars = group(tr("Variables"), s.variables.size());
    for (std::size_t i = 0; i < s.variables.size(); ++i) {
        const CdlVariable& v = s.variables[i];
        QStringList shape;
        for (const std::string& d : v.shape)
            shape << FromUtf8(d);
        QString type = FromUtf8(v.type);
        if (!shape.isEmpty())
            type += QStringLiteral("(") + shape.join(QStringLiteral(", ")) + QLatin1Char(')');
        add(vars, CBrinewickView::Item::Variable, i, {FromUtf8(v.name), type, FromUtf8(v.long_name)});
    }
    QTreeWidgetItem* atts = group(tr("Global attributes"), s.globalAttributes.size());
    for (std::size_t i = 0; i < s.globalAttributes.size(); ++i)
        add(atts, CBrinewickView::Item::GlobalAttribute, i, {FromUtf8(s.globalAttributes[i])});
    // Names get room for most of them; the type and the long name follow to the right.
    m_tree->resizeColumnToContents(0);
    m_tree->setColumnWidth(0, std::min(m_tree->columnWidth(0), 160));
    m_tree->resizeColumnToContents(1);
    SetFilter(m_filter->text());
}

void CStructurePanel::SetFilter(const QString& text)
{
    if (m_filter->text() != text)
        m_filter->setText(text);
    const QString needle = text.trimmed();
    for (int g = 0; g < m_tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_tree->topLevelItem(g);
        int shown = 0;
        for (int c = 0; c < group->childCount(); ++c) {
            QTreeWidgetItem* item = group->child(c);
            const bool match = needle.isEmpty() || item->text(0).contains(needle, Qt::CaseInsensitive) ||
                               item->text(2).contains(needle, Qt::CaseInsensitive);
            item->setHidden(!match);
            shown += match ? 1 : 0;
        }
        group->setHidden(shown == 0 && !needle.isEmpty());
    }
}

void CStructurePanel::GoToDeclaration(const QTreeWidgetItem* item)
{
    if (!item || item->data(0, kKindRole).toInt() < 0)
        return;
    const auto kind = static_cast<CBrinewickView::Item>(item->data(0, kKindRole).toInt());
    const auto [b, e] = m_view->DeclarationOf(kind, item->data(0, kIndexRole).toULongLong());
    if (b < e)
        m_view->ShowRange(b, e);
}

void CStructurePanel::GoToData(const QTreeWidgetItem* item)
{
    if (!item || item->data(0, kKindRole).toInt() != static_cast<int>(CBrinewickView::Item::Variable))
        return;
    const auto [b, e] = m_view->DataOf(item->data(0, kIndexRole).toULongLong());
    if (b < e)
        m_view->ShowRange(b, e);
}

void CStructurePanel::showMenu(const QPoint& pos)
{
    QTreeWidgetItem* item = m_tree->itemAt(pos);
    if (!item || item->data(0, kKindRole).toInt() < 0)
        return;
    QMenu menu(this);
    QAction* declaration = menu.addAction(tr("Go to Declaration"));
    QAction* goToData = menu.addAction(tr("Go to Data"));
    goToData->setEnabled(item->data(0, kKindRole).toInt() == static_cast<int>(CBrinewickView::Item::Variable));
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(pos));
    if (chosen == declaration)
        GoToDeclaration(item);
    else if (chosen == goToData)
        GoToData(item);
}
