#include "tools/polykern/StlScan.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

// A binary file is 80 bytes of header, a 32-bit little-endian triangle count and 50
// bytes per triangle, whatever its header says.
bool IsBinarySized(const std::string& bytes) {
    if (bytes.size() < 84) return false;
    uint64_t count = 0;
    for (int k = 3; k >= 0; --k) count = (count << 8) | static_cast<unsigned char>(bytes[80 + k]);
    return 84 + 50 * count == bytes.size();
}

}  // namespace

bool CheckStl(const std::string& bytes, std::string* error) {
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || bytes.compare(start, 5, "solid") != 0) return true;
    if (IsBinarySized(bytes)) return true;
    std::vector<std::string_view> words;
    const std::string_view text(bytes);
    long long line = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        SplitBlanks(text.substr(at, end - at), &words);
        at = end + 1;
        ++line;
        for (std::size_t w = 0; w < words.size(); ++w) {
            if (words[w] != "vertex" && words[w] != "normal") continue;
            double x = 0;
            bool numbers = w + 3 < words.size();
            for (std::size_t k = w + 1; numbers && k <= w + 3; ++k)
                numbers = ParseReal(words[k], &x);
            if (!numbers) {
                *error = "line " + std::to_string(line) + ": \"" + std::string(words[w]) +
                         "\" is not followed by three numbers";
                return false;
            }
            w += 3;
        }
    }
    return true;
}

}  // namespace pkcli
