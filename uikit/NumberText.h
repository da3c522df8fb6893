#pragma once
// Whole numbers as the program shows and reads them, independent of the locale.
#include <QString>
#include <optional>

// Decimal text of v, through the program's number formatter.
QString IntegerText(long long v);

// Reads the whole field as a signed decimal integer: blanks around it are allowed,
// anything else ("12abc", "1.5", "", a value outside int) is not.
std::optional<int> ParseWholeInt(const QString& field);
