#pragma once
// The renderer's text in the forms the CDL tests compare.
#include <string>

// Renders `path` and returns the text with LF line breaks; the log goes to *log.
std::string render_lf(const std::string& path, std::string* log = nullptr);

// The text of the data section, from the line after "data:" to the closing brace.
std::string data_section(const std::string& lf_text);
