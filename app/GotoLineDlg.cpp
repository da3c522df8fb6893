#include "app/GotoLineDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "uikit/DialogUnits.h"
#include "uikit/MessageBox.h"
#include "uikit/NumberText.h"

CGotoLineDlg::CGotoLineDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CGotoLineDlg"));
    setWindowTitle(tr("Goto line"));
    setFont(DialogFont());
    const DialogUnits du(font());
    auto* label = new QLabel(tr("Line number:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("1004"));
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    auto* close = new QPushButton(tr("close"), this);
    close->setObjectName(QStringLiteral("2"));
    close->setAutoDefault(false);
    ok->setFixedSize(du.x(50), du.y(14));
    close->setFixedSize(du.x(50), du.y(14));
    connect(ok, &QPushButton::clicked, this, &CGotoLineDlg::accept);
    connect(close, &QPushButton::clicked, this, &CGotoLineDlg::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(close);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setFixedWidth(du.x(160));
}

int CGotoLineDlg::exec()
{
    // OnInitDialog: the line shown one-based, the whole field selected.
    m_edit->setText(IntegerText(static_cast<long long>(m_nLine) + 1));
    m_edit->selectAll();
    m_edit->setFocus();
    return QDialog::exec();
}

void CGotoLineDlg::accept()
{
    const std::optional<int> v = ParseWholeInt(m_edit->text());
    if (v && *v >= 1) {
        m_nLine = *v - 1;
        QDialog::accept();
        return;
    }
    BwMessageBox(this, tr("Appointed line number is unjust."), tr("Input error."), MbIcon::Stop);
}
