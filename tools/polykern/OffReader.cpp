#include "tools/polykern/OffReader.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

// The shortest vertex line is "0 0 0" and the shortest face line "0", each with its line
// end; only the file's last line may go without one.
constexpr long long kMinVertexBytes = 6;
constexpr long long kMinFaceBytes = 2;

// The file's lines with comments cut off, skipping those left blank.
class ContentLines {
public:
    explicit ContentLines(std::string_view text) : m_Text(text) {}

    // The next line that holds words, split into *words; false at the end of the file.
    bool Next(std::vector<std::string_view>* words) {
        while (m_At < m_Text.size()) {
            std::size_t end = m_Text.find('\n', m_At);
            if (end == std::string_view::npos) end = m_Text.size();
            std::string_view line = m_Text.substr(m_At, end - m_At);
            m_At = end < m_Text.size() ? end + 1 : end;
            ++m_Line;
            const std::size_t hash = line.find('#');
            if (hash != std::string_view::npos) line = line.substr(0, hash);
            SplitBlanks(line, words);
            if (!words->empty()) return true;
        }
        return false;
    }
    // The number of the line Next last gave, from 1.
    long long Line() const { return m_Line; }
    // Bytes after the line Next last gave.
    long long Rest() const { return static_cast<long long>(m_Text.size() - m_At); }

private:
    std::string_view m_Text;
    std::size_t m_At = 0;
    long long m_Line = 0;
};

// Checks the header word ("OFF", "COFF", "NOFF", "STCNOFF", ...). False with *error set
// for words that are no OFF header and for layouts whose first three numbers are not
// x y z.
bool CheckHeaderWord(std::string_view word, bool* isHeader, std::string* error) {
    *isHeader = word.size() >= 3 && word.substr(word.size() - 3) == "OFF";
    if (!*isHeader) return true;
    std::string_view prefix = word.substr(0, word.size() - 3);
    if (prefix.substr(0, 2) == "ST") prefix.remove_prefix(2);
    if (!prefix.empty() && prefix[0] == 'C') prefix.remove_prefix(1);
    if (!prefix.empty() && prefix[0] == 'N') prefix.remove_prefix(1);
    if (prefix.empty()) return true;
    if (prefix.find('4') != std::string_view::npos || prefix.find('n') != std::string_view::npos)
        *error = std::string(word) + " files (not three-dimensional) are not supported";
    else
        *error = "not an OFF file: unknown header " + std::string(word);
    return false;
}

// A count from the counts line, within [0, INT_MAX].
bool ParseCount(std::string_view word, long long* count) {
    return ParseInteger(word, count) && *count >= 0 && *count <= INT_MAX;
}

}  // namespace

bool ReadOff(const std::string& bytes, IndexedMesh* mesh, std::string* error) {
    ContentLines lines(bytes);
    std::vector<std::string_view> words;
    if (!lines.Next(&words)) {
        *error = "the OFF file is empty";
        return false;
    }
    bool isHeader = false;
    if (!CheckHeaderWord(words[0], &isHeader, error)) return false;
    if (isHeader && words.size() > 1 && words[1] == "BINARY") {
        *error = "binary OFF files are not supported";
        return false;
    }
    long long probe = 0;
    if (!isHeader && !ParseInteger(words[0], &probe)) {
        *error = "not an OFF file: it does not start with an OFF line";
        return false;
    }
    // The counts follow the header word on its line, or fill the next line; a file
    // without a header line starts with them.
    if (isHeader) words.erase(words.begin());
    if (words.empty() && !lines.Next(&words)) {
        *error = "the OFF file ends before its counts line";
        return false;
    }
    long long vertexCount = 0, faceCount = 0, edgeCount = 0;
    if (words.size() < 2 || !ParseCount(words[0], &vertexCount) ||
        !ParseCount(words[1], &faceCount) ||
        (words.size() > 2 && !ParseCount(words[2], &edgeCount))) {
        *error = "line " + std::to_string(lines.Line()) +
                 ": expected the counts \"vertices faces edges\"";
        return false;
    }

    // Before anything is allocated: the counts against what the rest of the file can hold.
    const long long rest = lines.Rest() + 1;  // the last line may lack its line end
    if (vertexCount > rest / kMinVertexBytes) {
        *error = ClaimTooLarge(vertexCount, "vertices", rest / kMinVertexBytes);
        return false;
    }
    const long long afterVertices = rest - vertexCount * kMinVertexBytes;
    if (faceCount > afterVertices / kMinFaceBytes) {
        *error = ClaimTooLarge(faceCount, "faces", afterVertices / kMinFaceBytes) + " after its " +
                 std::to_string(vertexCount) + " vertices";
        return false;
    }

    mesh->xyz.clear();
    mesh->cornerCounts.clear();
    mesh->corners.clear();
    mesh->xyz.reserve(3 * static_cast<std::size_t>(vertexCount));
    mesh->cornerCounts.reserve(static_cast<std::size_t>(faceCount));
    for (long long v = 0; v < vertexCount; ++v) {
        if (!lines.Next(&words)) {
            *error = "the file ends after " + std::to_string(v) + " of its " +
                     std::to_string(vertexCount) + " vertices";
            return false;
        }
        const std::string at = "line " + std::to_string(lines.Line()) + ": ";
        double p[3];
        if (words.size() < 3 || !ParseReal(words[0], &p[0]) || !ParseReal(words[1], &p[1]) ||
            !ParseReal(words[2], &p[2])) {
            *error = at + "vertex " + std::to_string(v) + " is not three numbers";
            return false;
        }
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            *error = at + "non-finite coordinates";
            return false;
        }
        mesh->xyz.insert(mesh->xyz.end(), p, p + 3);
    }
    for (long long f = 0; f < faceCount; ++f) {
        if (!lines.Next(&words)) {
            *error = "the file ends after " + std::to_string(f) + " of its " +
                     std::to_string(faceCount) + " faces";
            return false;
        }
        const std::string at = "line " + std::to_string(lines.Line()) + ": ";
        long long n = 0;
        if (!ParseInteger(words[0], &n) || n < 0) {
            *error = at + "face " + std::to_string(f) + " does not start with its corner count";
            return false;
        }
        // Words after the corners (a colour) are ignored.
        if (n > static_cast<long long>(words.size()) - 1) {
            *error = at + "face " + std::to_string(f) + " lists fewer than its " +
                     std::to_string(n) + " corners";
            return false;
        }
        for (long long c = 1; c <= n; ++c) {
            long long index = 0;
            if (!ParseInteger(words[static_cast<std::size_t>(c)], &index)) {
                *error = at + "face " + std::to_string(f) + " has a corner that is no index";
                return false;
            }
            const std::string bad = BadCornerMessage(f, index, vertexCount);
            if (!bad.empty()) {
                *error = at + bad;
                return false;
            }
            mesh->corners.push_back(static_cast<int>(index));
        }
        mesh->cornerCounts.push_back(static_cast<int>(n));
    }
    return true;
}

}  // namespace pkcli
