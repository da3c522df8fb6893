#pragma once
// The Find dialog: the search string, typed or composed from the keyword, variable and
// dimension lists (a chosen name goes in at the field's caret, replacing its selection).
#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;

class CFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindDlg(QWidget* parent = nullptr);

    // The initial search string and the lists to offer (read only; the caller keeps
    // them alive while the dialog runs).
    void Setup(const QString& search, const QStringList* keywords, const std::vector<std::string>* dimensions,
               const std::vector<std::string>* variables);

    QString m_strSearch;
    // The options, shown on entry and read back on OK.
    bool m_bMatchCase = true;
    bool m_bWholeWord = false;

    int exec() override;    // OnInitDialog, then the modal run
    void accept() override; // OnOK

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnListChoice(QListWidget* list, int row);
    void rememberSelection();
    QString EntryOf(QListWidget* list, int index) const;

    const QStringList* m_pKeywords = nullptr;                // not owned
    const std::vector<std::string>* m_pDimensions = nullptr; // not owned
    const std::vector<std::string>* m_pVariables = nullptr;  // not owned
    QLineEdit* m_edit;
    QListWidget* m_keywords;
    QListWidget* m_variables;
    QListWidget* m_dimensions;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    // The field's selection as it was when the field last lost the focus: a list
    // choice replaces it, as it would if the field had kept it.
    int m_selStart = 0;
    int m_selLength = 0;
};
