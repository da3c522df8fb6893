#pragma once
// A FileReader that keeps the results of some readers (what every tool asks first: the
// profile shape, the summaries) and gives them again while the file is unchanged on
// disk (same size, modification time and inode), without reading it again.
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "reader/file_reader.h"

class CachingReader : public FileReader {
public:
    // Keeps the results of the readers named in `cached`, got through `inner` (not owned).
    CachingReader(FileReader& inner, std::set<std::string> cached);

    ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override;
    // Forgets every result kept.
    void Clear();

private:
    FileReader& m_inner;
    const std::set<std::string> m_cached;
    std::mutex m_mutex;
    std::map<std::string, std::string> m_results; // key: reader, file state, arguments
};
