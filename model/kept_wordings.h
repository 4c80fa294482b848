// Wordings that the program has always shown and that stay exactly as they
// are, slips included: users' stored reports and their scripts search for
// these texts. Do not correct them.
#pragma once

namespace s2v {

// The Mplus data notice: "Mplus data ready. N" + this.
inline constexpr const char* kMplusRecordsTransferred = " SPSS records was transfered";
// A range-form line with decimal bounds: this + the line, without a blank.
inline constexpr const char* kImproperDefinitionNoBlank = "Improper variable definition here:";

}  // namespace s2v
