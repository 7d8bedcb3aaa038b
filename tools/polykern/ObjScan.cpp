#include "tools/polykern/ObjScan.h"

#include <cstddef>
#include <string_view>
#include <vector>

#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

// The file's lines, as views.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    long long line = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        visit(text.substr(at, end - at), ++line);
        at = end + 1;
    }
}

}  // namespace

bool CheckObj(const std::string& bytes, std::string* error) {
    std::vector<std::string_view> words;
    long long vertices = 0;
    ForEachLine(bytes, [&](std::string_view line, long long) {
        SplitBlanks(line, &words);
        vertices += !words.empty() && words[0] == "v";
    });
    long long before = 0;  // vertices before the line
    long long face = 0;
    bool ok = true;
    ForEachLine(bytes, [&](std::string_view line, long long number) {
        if (!ok) return;
        SplitBlanks(line, &words);
        if (words.empty()) return;
        if (words[0] == "v") ++before;
        if (words[0] != "f") return;
        for (std::size_t c = 1; c < words.size() && ok; ++c) {
            const std::string_view corner = words[c].substr(0, words[c].find('/'));
            long long index = 0;
            if (!ParseInteger(corner, &index)) continue;  // left to the importer
            const bool inRange = index > 0 ? index <= vertices : index < 0 && -index <= before;
            if (inRange) continue;
            *error = "line " + std::to_string(number) + ": face " + std::to_string(face) +
                     " names vertex " + std::to_string(index) + ", but the file has " +
                     std::to_string(index < 0 ? before : vertices) + " vertices" +
                     (index < 0 ? " before it" : "");
            ok = false;
        }
        ++face;
    });
    return ok;
}

}  // namespace pkcli
