#pragma once

// Pieces the mesh readers share: numbers parsed from untrusted text with range checks,
// and the message for a header that claims more than the file can hold.

#include <string>
#include <string_view>
#include <vector>

namespace pkcli {

/// Parses all of `text` as a decimal integer (an optional sign, then digits) into *value;
/// false for anything else, including values beyond the range of long long.
bool ParseInteger(std::string_view text, long long* value);

/// Parses all of `text` as a decimal or exponent number (an optional sign; "inf" and "nan"
/// are accepted and left for the caller to refuse) into *value; false for anything else.
bool ParseReal(std::string_view text, double* value);

/// "header claims N <what>, the file can hold at most M".
std::string ClaimTooLarge(long long claimed, const std::string& what, long long atMost);

/// Splits `line` at blanks (space, tab, carriage return, vertical tab, form feed) into the
/// words of *out, which is cleared first.
void SplitBlanks(std::string_view line, std::vector<std::string_view>* out);

/// A library's message folded into one line without repeated or trailing blanks;
/// "unknown error" when nothing is left.
std::string OneLine(const std::string& text);

/// Reads lines of `count` numbers each from the file ('#' starts a comment; blank lines are
/// skipped), appending them to `out`. False with *error naming the file and line of the
/// first bad one.
bool ReadNumbers(const std::string& path, int count, std::vector<double>* out, std::string* error);

}  // namespace pkcli
