#include "tools/polykern/ReaderText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <system_error>

namespace pkcli {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool ParseInteger(std::string_view text, long long* value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || text[0] == '+') return false;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *value);
    return r.ec == std::errc() && r.ptr == end;
}

bool ParseReal(std::string_view text, double* value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || text[0] == '+') return false;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *value);
    if (r.ptr != end) return false;
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond double: an overflow reads as infinite, an underflow as zero.
        const bool negative = text[0] == '-';
        const std::size_t e = text.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
        *value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (negative) *value = -*value;
        return true;
    }
    return r.ec == std::errc();
}

std::string ClaimTooLarge(long long claimed, const std::string& what, long long atMost) {
    return "header claims " + std::to_string(claimed) + " " + what +
           ", the file can hold at most " + std::to_string(atMost);
}

void SplitBlanks(std::string_view line, std::vector<std::string_view>* out) {
    out->clear();
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) break;
        const std::size_t start = at;
        while (at < line.size() && !IsBlank(line[at])) ++at;
        out->push_back(line.substr(start, at - start));
    }
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out.push_back(c);
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.empty() ? "unknown error" : out;
}

bool ReadNumbers(const std::string& path, int count, std::vector<double>* out, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = (errno == ENOENT ? "no such file: " : "cannot read ") + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        const char* p = line.c_str();
        while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
        if (*p == '\0') continue;
        for (int k = 0; k < count; ++k) {
            char* end = nullptr;
            const double x = std::strtod(p, &end);
            if (end == p || !std::isfinite(x)) {
                *error = "bad line " + std::to_string(number) + " in " + path + " (want " +
                         std::to_string(count) + " numbers)";
                return false;
            }
            out->push_back(x);
            p = end;
        }
        while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
        if (*p != '\0') {
            *error = "bad line " + std::to_string(number) + " in " + path + " (extra text)";
            return false;
        }
    }
    if (in.bad()) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

}  // namespace pkcli
