#pragma once
// Names as CDL writes them: characters that CDL reads as punctuation, and a leading
// digit, are escaped with a backslash, so that a name holding blanks, quotes, '=' or
// ';' reads back as one name and never as other declarations.
#include <string>
#include <string_view>

std::string cdl_name(std::string_view raw);
