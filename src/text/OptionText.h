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
// pieces, and a text ending with a comma no empty last piece; any other blank piece is kept as an
// empty text (adjacent commas, a blank text, blanks after the last comma).
std::vector<std::string> splitOptionList(std::string_view text);
