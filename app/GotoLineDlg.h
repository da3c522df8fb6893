#pragma once
// The "Goto line" dialog: asks for a line number (one-based) and keeps the dialog open
// until it reads as a whole positive integer.
#include <QDialog>

class QLineEdit;

class CGotoLineDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGotoLineDlg(QWidget* parent = nullptr);

    int m_nLine = 0; // zero-based line index: shown plus one on entry, read back on OK

    int exec() override;
    void accept() override; // OnOK

private:
    QLineEdit* m_edit;
};
