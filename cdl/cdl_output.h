#pragma once
// Where one rendering writes: a sink that takes the text as it is made, and the writer
// that the rendering functions share (line breaking position, number formats, error
// log). Each rendering has its own writer; nothing is kept between renderings.
#include <cstddef>
#include <string>
#include <string_view>

#include "cdl/c_format.h"

class JobControl;
class ScopedNames;

// Receives the text in order, in pieces of any size.
class CdlSink {
public:
    virtual ~CdlSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// A sink that keeps the whole text in one string.
class StringSink : public CdlSink {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// The four number formats of float and double values and attributes.
struct NumberFormats {
    CFormat float_var;
    CFormat double_var;
    CFormat float_att;
    CFormat double_att;
};
NumberFormats make_number_formats(int float_digits, int double_digits);

// The state of one rendering. Text goes through a small buffer to the sink, so the
// sink sees large pieces whatever the writers' granularity.
class CdlWriter {
public:
    explicit CdlWriter(CdlSink& sink, JobControl* control = nullptr);
    ~CdlWriter();
    CdlWriter(const CdlWriter&) = delete;
    CdlWriter& operator=(const CdlWriter&) = delete;

    // Appends text, writing each line feed as CR LF.
    void put(std::string_view text);
    // Hands everything buffered to the sink.
    void flush();
    // Bytes of text made so far.
    std::size_t written() const { return m_written + m_buffer.size(); }

    // Whether the user asked the rendering to stop.
    bool cancelled() const;
    JobControl* control() const { return m_control; } // may be null

    std::string error_log; // messages, each ending in LF
    // The messages of error_log that report a text shown in part on purpose (a variable
    // over the text limit, a streaming record count): the rest of the text is sound.
    std::string note_log;
    int line_pos = 0; // characters on the current output line
    int line_limit = 78;
    NumberFormats formats;
    std::string path;             // the file rendered, for messages
    std::string variable;         // the variable being listed, for messages; empty in the header
    bool netcdf4 = false;         // the file is netCDF-4 of the enhanced model: texts as ncdump writes them
    bool netcdf4_classic = false; // netCDF-4 of the classic model: control bytes of texts escaped
    bool cdf5 = false;            // CDF-5 (64-bit data) classic file
    // netCDF-4 and CDF-5 text follows ncdump's where CDF-1 and CDF-2 text keeps its own
    // (variables named like section keywords, non-finite values of floats).
    bool follows_ncdump() const { return netcdf4 || netcdf4_classic || cdf5; }
    std::size_t variable_text_limit = kDefaultVariableTextLimit; // bytes of text one variable may make
    // Where dimension and type names are resolved from a group; null: plain names.
    const ScopedNames* scoped_names = nullptr; // not owned

    // The default of variable_text_limit: well under the memory of a desktop machine,
    // far above the text of any real profile file's variable.
    static constexpr std::size_t kDefaultVariableTextLimit = std::size_t{512} << 20;

private:
    CdlSink& m_sink;
    JobControl* m_control; // not owned
    std::string m_buffer;
    std::size_t m_written = 0;
};

inline void cdl_put(CdlWriter& w, std::string_view text)
{
    w.put(text);
}

// Formats as printf does (in full, whatever the length) and appends like cdl_put.
// Used only for header lines whose arguments are texts and integers.
void cdl_printf(CdlWriter& w, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Formats as printf does and appends the result and one LF to the error log.
void cdl_error(CdlWriter& w, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Logs a message like cdl_error and keeps it among the notes as well.
void cdl_note(CdlWriter& w, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Logs the netCDF library's message for a failed call, after the file's path and the
// variable being worked on, when known.
void cdl_error_nc(CdlWriter& w, int status);
