#pragma once
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "profile/csv_settings.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"

class CProfileChooser;
class QCheckBox;
class QFileDialog;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

class FileReader;

// Save CSV File: runs the CSV export dialog for the netCDF file at ncPath, read and
// written through `reader`, with a
// profile choice when it holds several profiles. With `shown` (the file's extent when
// its text was shown) a file of another extent gets the "File reading error" box.
void RunCsvSave(QWidget* parent, FileReader& reader, const QString& ncPath, const ProfileExtent* shown = nullptr);

// The "Csv File Save" dialog: the CSV file to write, the variables to write as Item
// rows and as level columns, and whether to open the written file.
class CCsvSaveDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids, kept as the controls' object names.
    enum {
        IDC_FILE = 1008,
        IDC_BROWSE = 1009,
        IDC_ITEMS = 1001,
        IDC_LEVELS = 1002,
        IDC_OPEN_FILE = 1011,
        IDOK_BUTTON = 1,
        IDCANCEL_BUTTON = 2
    };

    explicit CCsvSaveDlg(QWidget* parent = nullptr);

    // Full path of the netCDF file to export; set before OnInitDialog.
    QString m_szPath;
    // What reads the file and writes the CSV (the document's reader); readers in this
    // process when not set.
    void SetReader(FileReader& reader) { m_reader = &reader; }

    // Fills the lists from m_szPath and checks "open file". Returns false, with the
    // reason in `error`, when the file cannot be read.
    bool OnInitDialog(QString* error = nullptr);

    // The choices as the writer takes them (selected ids in list order).
    CsvSaveSettings Settings() const;

    // A file of several profiles: the profile chooser below the lists (profile 0
    // chosen). `shown` is the file's extent when its text was shown; OK refuses a
    // file that no longer has it.
    void SetProfiles(std::vector<ProfileSummary> profiles, const ProfileExtent& shown);
    CProfileChooser* chooser() const { return m_pChooser; }

    QLineEdit* fileEdit() const { return m_pFile; }
    QListWidget* itemList() const { return m_pItems; }
    QListWidget* levelList() const { return m_pLevels; }
    QCheckBox* openFileBox() const { return m_pOpenFile; }
    QCheckBox* blankFillBox() const { return m_pBlankFill; }
    QPushButton* okButton() const { return m_pOk; }
    QPushButton* browseButton() const { return m_pBrowse; }

    // Tests replace how the save-type file dialog runs (return the chosen path, or
    // an empty text for a cancel) and how the written file is opened.
    using BrowseHook = std::function<QString(QFileDialog& dialog)>;
    using OpenFileHook = std::function<void(const QString& path)>;
    static void SetBrowseHook(BrowseHook hook);
    static void SetOpenFileHook(OpenFileHook hook);

public slots:
    void accept() override; // OnOK

private slots:
    void OnBrowse();
    void UpdateOkButton();

private:
    FileReader* m_reader;
    QLineEdit* m_pFile = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QListWidget* m_pItems = nullptr;
    QListWidget* m_pLevels = nullptr;
    QCheckBox* m_pOpenFile = nullptr;
    QCheckBox* m_pBlankFill = nullptr; // fill values as empty cells
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pClose = nullptr;
    CProfileChooser* m_pChooser = nullptr; // only for several profiles
    std::optional<ProfileExtent> m_shown;
};
