#pragma once

// The option-list conventions shared by the profiles, the settings file and the style sheet.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Exactly "auto" and the empty text give 0, exactly "original" gives 1 (case-sensitive). Any
// other text gives the longest leading decimal floating-point number (optional leading white
// space and sign, digits, fraction, exponent; no hexadecimal, "inf" or "nan"), rounded to single
// precision; no number gives 0. Values beyond float's range give +/-infinity. Independent of the
// process locale: "29.970" is 29.97f everywhere.
float parseOptionValue(std::string_view text);

// parseOptionValue truncated towards zero for integer fields, saturated to the int32 range so a
// hand-edited huge number cannot make the conversion undefined.
int32_t parseOptionInt(std::string_view text);

// Splits at every comma into pieces trimmed of surrounding white space. An empty text gives no
// pieces; a last piece that is empty after trimming (the text ends with a comma, possibly followed
// by blanks) is not added. Adjacent commas give an empty piece between them.
std::vector<std::string> splitOptionList(std::string_view text);
