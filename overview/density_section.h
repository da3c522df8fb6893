#pragma once
// Density sections: sigma-t and sigma-theta of each level from the TEMP and PSAL
// sections of a file, offered beside the file's own variables.
#include <functional>
#include <string>
#include <vector>

#include "overview/section_data.h"

inline constexpr const char* kSigmaTVariable = "SIGMA_T";
inline constexpr const char* kSigmaThetaVariable = "SIGMA_THETA";

// The variable list a section offers: SectionVariables' names with its sigma-t entry
// given as SIGMA_T and followed by SIGMA_THETA.
std::vector<std::string> SectionChoices(std::vector<std::string> names);

// The section of `variable`: SIGMA_T and SIGMA_THETA (and "sigma-t") computed from the
// TEMP and PSAL sections that `read` gives, any other variable as `read` gives it.
using SectionOfVariable = std::function<SectionData(const std::string& variable)>;
SectionData ReadSectionOf(const SectionOfVariable& read, const std::string& variable);
// The same, read in this process.
SectionData ReadSectionOf(const std::string& path, const std::string& variable, const SectionOptions& options);

// The density of every level that has both a temperature and a salinity at the same
// pressure in the same profile: sigma-theta (potential density anomaly, surface
// reference) with `theta`, else sigma-t. Public for tests.
SectionData DensitySection(const SectionData& temp, const SectionData& psal, bool theta);
