#include "reader/file_reader.h"

#include <new>

std::string reading_stopped_message(const std::string& path, const std::string& what)
{
    return path + ": the netCDF library stopped on this file: " + what;
}

std::string out_of_memory_message(const std::string& path, const std::string& reading)
{
    return path + ": out of memory while reading the file (" + reading + ")";
}

const ReaderEntry* ReaderTable::Find(const std::string& name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}

std::vector<std::string> ReaderTable::Names() const
{
    std::vector<std::string> names;
    for (const auto& [name, entry] : m_entries)
        names.push_back(name);
    return names;
}

ReadAnswer InProcessReader::Call(const std::string& reader, const std::string& args, const ReadContext& context)
{
    ReadAnswer answer;
    const ReaderEntry* entry = m_table.Find(reader);
    if (!entry) {
        answer.end = ReadAnswer::End::Refused;
        return answer;
    }
    try {
        std::optional<std::string> bytes = (*entry)(args, context);
        if (!bytes) {
            answer.end = ReadAnswer::End::Refused;
            return answer;
        }
        answer.end = ReadAnswer::End::Done; // a reader that saw Cancel says so in its result
        answer.bytes = std::move(*bytes);
    } catch (const std::bad_alloc&) {
        answer.end = ReadAnswer::End::Stopped;
        answer.what = "out of memory";
    }
    return answer;
}
