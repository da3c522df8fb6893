#pragma once
// Argo dates: JULD counts days since REFERENCE_DATE_TIME ("YYYYMMDDHHMISS", UTC),
// normally 1950-01-01 00:00:00. Conversions to UTC text without the C library's
// time zone or locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Seconds since 1970-01-01 00:00:00 UTC of a "YYYYMMDDHHMISS" text (blanks and NULs
// after the 14 digits allowed); none when it is not a valid date and time.
std::optional<std::int64_t> ParseReferenceDateTime(std::string_view text);

// Whether a JULD units text says days since a valid date, as Argo writes it: "days
// since YYYY-MM-DD", optionally followed by " HH:MM:SS" (or "THH:MM:SS") and " UTC"
// (or "Z").
bool JuldUnitsReadable(std::string_view units);

// The reference of files that name none: 1950-01-01 00:00:00 UTC.
std::int64_t DefaultArgoReference();

// reference + days, rounded to the nearest second; none for a value that is not
// finite or lies beyond the years 0001 .. 9999.
std::optional<std::int64_t> JuldToSeconds(double days, std::int64_t reference);

// "YYYY-MM-DD HH:MM" (seconds dropped) and "YYYY-MM-DDTHH:MM:SSZ".
std::string FormatUtcMinutes(std::int64_t seconds);
std::string FormatUtcIso(std::int64_t seconds);
