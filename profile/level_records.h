#pragma once
// The graph viewer's level records of a single profile, and their reading from a file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One level of a profile. A new record has every value missing (99999).
struct CLevelRecord {
    std::int32_t no = 0;
    float pres = 99999.0f, presAdj = 99999.0f;
    float temp = 99999.0f, tempAdj = 99999.0f;
    float psal = 99999.0f, psalAdj = 99999.0f;
    float sigma = 99999.0f, sigmaAdj = 99999.0f;
    float sigmaTheta = 99999.0f, sigmaThetaAdj = 99999.0f; // potential density, reference 0 dbar

    CLevelRecord() = default;
    // Copies `no` and the six measured values and recomputes the sigmas from them.
    CLevelRecord(const CLevelRecord& other);
    CLevelRecord& operator=(const CLevelRecord& other);

    // Recomputes sigma, sigmaAdj, sigmaTheta and sigmaThetaAdj from the stored 32-bit values.
    void ComputeSigmas();
};

// Owns copies of level records, kept in ascending `no`; equal numbers keep the order
// in which they were added.
class CLevelArray {
public:
    void Add(const CLevelRecord& record);
    // Index of the first record whose `no` equals `no`, or -1.
    int Find(int no) const;
    int GetSize() const { return static_cast<int>(m_records.size()); }
    const CLevelRecord& operator[](int index) const { return *m_records[static_cast<std::size_t>(index)]; }
    void RemoveAll() { m_records.clear(); }
    // At least one level whose adjusted pressure is not missing.
    bool HasAdjustedData() const;

private:
    std::vector<std::unique_ptr<CLevelRecord>> m_records;
};

// Outcome of LoadLevelArray. `ok` is false only when the file could not be read at all
// (it could not be opened, or has no N_LEVELS dimension); `message` then says why,
// with the library's message where there is one. A level count beyond any real
// profile (over a million) or a lack of memory is refused the same way.
struct LevelLoadResult {
    bool ok = true;
    std::string message;
};

// Fills the empty `array` with one record per level of the file at `path`, numbered
// n (first level in the file) down to 1. Variables that are absent, unreadable or of
// another size than N_LEVELS leave their values missing, and so do values that are
// not finite numbers as 32-bit floats (NaN, infinities, beyond the float range).
LevelLoadResult LoadLevelArray(const std::string& path, CLevelArray& array);

// A record numbered `no` from the six values of a level as read from a file (PRES,
// TEMP, PSAL, then their _ADJUSTED twins), each rounded to float as LoadLevelArray
// does (values that are not finite as floats become missing), with both sigmas.
CLevelRecord LevelRecordFromValues(std::int32_t no, const double (&values)[6]);

// The level list's columns and their cell texts.
enum class LevelColumn { No, Prs, Tmp, Sal, Sig };

// Writes the cell text of `column` for `record` ("%d", "%.1f", "%.3f", "%.4f", "%.4f",
// or "-----" for a missing value; `adjusted` picks the _ADJUSTED values) into `buf`,
// which holds `cap` bytes (the text is cut to cap - 1 characters), and returns buf.
const char* FormatLevelCell(LevelColumn column, const CLevelRecord& record, bool adjusted, char* buf, std::size_t cap);
