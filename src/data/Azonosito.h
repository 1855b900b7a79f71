#pragma once

#include <QString>

// The check digits of the identifiers the office types: a wrong one is pointed out, never
// refused, since the office may have to keep what a paper says until it is corrected.
namespace azonosito {

// An identifier (TAJ, OM) without the blanks and hyphens people write into it ("123 456
// 789", "7585 9874 318"); other text as it is. Identifiers are compared by this.
QString szamjegyei(const QString& text);

// Empty when the text is empty or holds a valid number; otherwise what is wrong, in Hungarian.
// TAJ: 9 digits; the odd places of the first eight times 3, the even ones times 7, the
// sum's last digit is the ninth.
QString tajHiba(const QString& text);
// OM: 11 digits starting with 7; digit i times i summed over the first ten, modulo 11, is
// the eleventh (a remainder of 10 is never issued).
QString omHiba(const QString& text);

} // namespace azonosito
