#pragma once
// The Float Overview window: where a float went (the map) and what it measured (the
// section), linked to the profile chooser. Choosing a profile in any of the three
// chooses it in the others; the window says so with profileChosen.
#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <vector>
#include <memory>
#include <string>

#include "overview/coastline.h"
#include "overview/float_track.h"
#include "overview/section_data.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"

class CProfileChooser;
class CTrackMap;
class CSectionPlot;
class FileReader;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CFloatOverview : public QWidget {
    Q_OBJECT
public:
    explicit CFloatOverview(QWidget* parent = nullptr);
    // What reads the file (the document's reader); readers in this process when not set.
    void SetReader(FileReader& reader) { m_reader = &reader; }

    // Reads the file's track, profiles and variables and shows the first variable
    // (TEMP when there is one). False, with the reason in *why, when the file has no
    // overview. `coast` is the land to draw (not owned; null: none).
    bool Load(const QString& path, const Coastline* coast, QString* why);

    // Shows `variable` (an entry of the variable list).
    void ShowVariable(const QString& variable);
    void SetBestAvailable(bool on);
    void SetGoodOnly(bool on);
    // The section's colour range as typed (two numbers; anything else: its own range).
    void SetColourRange(const QString& low, const QString& high);

    // Chooses `profile` in the chooser, the map and the section.
    void ChooseProfile(std::size_t profile);
    std::size_t Chosen() const;

    CTrackMap* Map() const { return m_map; }
    CSectionPlot* Section() const { return m_section; }
    CProfileChooser* Chooser() const { return m_chooser; }
    QComboBox* Variables() const { return m_variables; }
    const FloatTrack& Track() const { return m_track; }

signals:
    void profileChosen(std::size_t profile);
    // A double-click on the map or the section: the user wants that profile's graph.
    void profileOpened(std::size_t profile);

private:
    void ReadSectionNow();
    void OnChooserChanged();
    void ApplyColourRange();

    FileReader* m_reader;
    std::string m_path;
    FloatTrack m_track;
    CTrackMap* m_map = nullptr;
    CSectionPlot* m_section = nullptr;
    CProfileChooser* m_chooser = nullptr;
    QComboBox* m_variables = nullptr;
    QLabel* m_sectionLabel = nullptr;
    QCheckBox* m_best = nullptr;
    QCheckBox* m_good = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_pointer = nullptr; // what lies under the pointer on the map or the section
    std::array<QLineEdit*, 2> m_range{};
    std::vector<ProfileSummary> m_summaries;
    SectionOptions m_options;
};

// View > Float Overview: opens the window for the file at `path`, read through `reader` (a window of its own,
// deleted when closed), or says why it cannot. `shown` is the extent the main window
// showed; a file changed since is reported, not shown. Returns the window or null.
CFloatOverview* RunFloatOverview(QWidget* parent, FileReader& reader, const QString& path, const ProfileExtent* shown);
