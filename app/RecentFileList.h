#pragma once
// The recent-file list: four entries, newest first, kept in the settings under
// "Recent File List" as File1..File4.
#include <QStringList>

class RecentFileList {
public:
    static constexpr int kSize = 4;

    void Load();
    void Save() const;
    // Puts `path` first (removing an equal entry further down) and saves the list.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Entries() const { return m_entries; }

private:
    QStringList m_entries;
};
