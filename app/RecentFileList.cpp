#include "app/RecentFileList.h"

#include <QFileInfo>

#include "uikit/AppSettings.h"
#include "uikit/NumberText.h"

namespace {
QString Key(int i)
{
    return QStringLiteral("Recent File List/File") + IntegerText(i + 1);
}
} // namespace

void RecentFileList::Load()
{
    m_entries.clear();
    auto settings = OpenAppSettings();
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings->value(Key(i)).toString();
        if (!path.isEmpty() && !m_entries.contains(path))
            m_entries << path;
    }
}

void RecentFileList::Save() const
{
    auto settings = OpenAppSettings();
    for (int i = 0; i < kSize; ++i) {
        if (i < m_entries.size())
            settings->setValue(Key(i), m_entries[i]);
        else
            settings->remove(Key(i));
    }
}

void RecentFileList::Add(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    m_entries.removeAll(full);
    m_entries.prepend(full);
    while (m_entries.size() > kSize)
        m_entries.removeLast();
    Save();
}

void RecentFileList::Remove(const QString& path)
{
    m_entries.removeAll(path);
    Save();
}
