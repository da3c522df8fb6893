#pragma once
// A float's whole-float files: <wmo>_prof.nc (core) and <wmo>_Sprof.nc (synthetic), as
// the data centre lists them in the float's folder dac/<dac>/<wmo>/.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gdac/GdacClient.h"

struct FloatFile {
    std::string remotePath; // below the root: dac/<dac>/<wmo>/<name>
    std::string name;
    std::int64_t size = -1; // from the listing, -1 when it gave none
    bool synthetic = false;
};

// The DAC and WMO of an index line's file field ("coriolis/6901929/profiles/R6901929_001.nc");
// false when it does not name them safely.
bool FloatOfIndexFile(std::string_view file, std::string& dac, std::string& wmo);

// Lists the float's folder and returns its whole-float files, core first. A folder
// without them is a Server error that says so.
GdacStatus ListFloatFiles(GdacClient& client, const std::string& dac, const std::string& wmo,
                          std::vector<FloatFile>& files, JobControl* job = nullptr);

// The DAC of float `wmo`, from the first line of the (cached, updated) core index that
// names it; a Server error when the index has none.
GdacStatus FindFloatDac(GdacClient& client, const std::string& wmo, std::string& dac, JobControl* job = nullptr);
