#pragma once
// The structure panel: the shown file's dimensions (with lengths), variables (type,
// shape, long_name) and global attributes as a filterable tree, filled from what the
// rendering learned. A click goes to an item's declaration; "Go to Data" (or a double
// click on a variable) to the first line of its data.
#include <QDockWidget>

class CBrinewickView;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class CStructurePanel : public QDockWidget {
    Q_OBJECT
public:
    // The view is not owned; the panel follows its structure.
    CStructurePanel(CBrinewickView* view, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_tree; }
    QLineEdit* Filter() const { return m_filter; }
    // Shows only the items whose name or long_name holds `text` (any case).
    void SetFilter(const QString& text);
    // The two actions on an item of the tree.
    void GoToDeclaration(const QTreeWidgetItem* item);
    void GoToData(const QTreeWidgetItem* item);

private:
    void refill();
    void showMenu(const QPoint& pos);

    CBrinewickView* m_view; // not owned
    QLineEdit* m_filter;
    QTreeWidget* m_tree;
};
