#pragma once
// Renders a whole netCDF file, data included, as CDL text.
#include <string>
#include <vector>

// Renders the file at `path`. The text has CR LF line breaks. When a name list is
// given it is emptied and filled with the file's dimension (or variable) names in id
// order. The error log is emptied first; after the call it holds this rendering's
// messages (each ending in LF), and an empty log means success.
std::string render_cdl(const std::string& path, std::vector<std::string>* dimension_names = nullptr,
                       std::vector<std::string>* variable_names = nullptr);

// A copy of the error log of the last rendering.
std::string cdl_error_log();
