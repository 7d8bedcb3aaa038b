#include "tools/polykern/PlyScan.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "tools/polykern/IndexedMesh.h"
#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

enum class Encoding { Ascii, LittleEndian, BigEndian };
enum class Kind { Signed, Unsigned, Real };

struct ValueType {
    int size = 0;  // bytes in a binary file
    Kind kind = Kind::Signed;
};

struct Property {
    bool isList = false;
    ValueType count;  // the count field of a list
    ValueType value;  // a scalar, or each item of a list
    bool isIndexList = false;
};

struct Element {
    std::string name;
    long long count = 0;
    std::vector<Property> properties;
    bool isStrip = false;  // indices with -1 between strips
};

struct Header {
    Encoding encoding = Encoding::Ascii;
    std::vector<Element> elements;
    std::size_t bodyStart = 0;
};

bool TypeOf(std::string_view name, ValueType* t) {
    struct Named {
        const char* name;
        ValueType type;
    };
    static const Named kTypes[] = {{"char", {1, Kind::Signed}},     {"int8", {1, Kind::Signed}},
                                   {"uchar", {1, Kind::Unsigned}},  {"uint8", {1, Kind::Unsigned}},
                                   {"short", {2, Kind::Signed}},    {"int16", {2, Kind::Signed}},
                                   {"ushort", {2, Kind::Unsigned}}, {"uint16", {2, Kind::Unsigned}},
                                   {"int", {4, Kind::Signed}},      {"int32", {4, Kind::Signed}},
                                   {"uint", {4, Kind::Unsigned}},   {"uint32", {4, Kind::Unsigned}},
                                   {"float", {4, Kind::Real}},      {"float32", {4, Kind::Real}},
                                   {"double", {8, Kind::Real}},     {"float64", {8, Kind::Real}}};
    for (const Named& n : kTypes) {
        if (name == n.name) {
            *t = n.type;
            return true;
        }
    }
    return false;
}

// "vertices", "faces", or "<name> elements", for messages.
std::string Plural(const Element& e) {
    if (e.name == "vertex") return "vertices";
    if (e.name == "face") return "faces";
    return e.name + " elements";
}

// Parses one "property ..." line's words into the last element.
bool AddProperty(const std::vector<std::string_view>& words, Element* element, std::string* error) {
    Property p;
    bool known = true;
    std::string_view name;
    if (words.size() == 5 && words[1] == "list") {
        p.isList = true;
        known = TypeOf(words[2], &p.count) && TypeOf(words[3], &p.value);
        name = words[4];
    } else if (words.size() == 3) {
        known = TypeOf(words[1], &p.value);
        name = words[2];
    } else {
        *error = "malformed property line in the header";
        return false;
    }
    if (!known) {
        *error = "unknown property type in \"" + std::string(words[words.size() - 2]) + "\"";
        return false;
    }
    if (p.isList && p.count.kind == Kind::Real) {
        *error = "a list counted by a floating-point number in " + element->name;
        return false;
    }
    const bool facelike = element->name == "face" || element->name == "tristrips";
    p.isIndexList = p.isList && facelike && (name == "vertex_indices" || name == "vertex_index");
    if (p.isIndexList && p.value.kind == Kind::Real) {
        *error = "vertex indices stored as floating-point numbers in " + element->name;
        return false;
    }
    element->properties.push_back(p);
    return true;
}

bool ParseHeader(std::string_view text, Header* h, std::string* error) {
    std::size_t at = 0;
    std::vector<std::string_view> words;
    bool first = true, haveFormat = false;
    while (true) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            *error = "the PLY header has no end_header line";
            return false;
        }
        SplitBlanks(text.substr(at, end - at), &words);
        at = end + 1;
        if (first) {
            if (words.size() != 1 || words[0] != "ply") {
                *error = "not a PLY file: it does not start with \"ply\"";
                return false;
            }
            first = false;
            continue;
        }
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info") continue;
        if (words[0] == "end_header") break;
        if (words[0] == "format" && words.size() == 3 && !haveFormat) {
            haveFormat = true;
            if (words[1] == "ascii") {
                h->encoding = Encoding::Ascii;
            } else if (words[1] == "binary_little_endian") {
                h->encoding = Encoding::LittleEndian;
            } else if (words[1] == "binary_big_endian") {
                h->encoding = Encoding::BigEndian;
            } else {
                *error = "unknown PLY format " + std::string(words[1]);
                return false;
            }
        } else if (words[0] == "element" && words.size() == 3) {
            Element e;
            e.name = std::string(words[1]);
            e.isStrip = e.name == "tristrips";
            if (!ParseInteger(words[2], &e.count) || e.count < 0 || e.count > INT_MAX) {
                *error = "bad count for element " + e.name + " in the header";
                return false;
            }
            h->elements.push_back(e);
        } else if (words[0] == "property" && !h->elements.empty()) {
            if (!AddProperty(words, &h->elements.back(), error)) return false;
        } else {
            *error = "unexpected header line \"" + std::string(words[0]) + " ...\"";
            return false;
        }
    }
    if (!haveFormat) {
        *error = "the PLY header has no format line";
        return false;
    }
    h->bodyStart = at;
    return true;
}

// The fewest bytes an element takes: binary, its fixed-size properties and the count
// field of each list (which may be empty); ASCII, one digit and one blank per property.
long long MinBytes(const Element& e, Encoding encoding) {
    long long bytes = 0;
    for (const Property& p : e.properties) {
        if (encoding == Encoding::Ascii)
            bytes += 2;
        else
            bytes += p.isList ? p.count.size : p.value.size;
    }
    return bytes;
}

// Each element's count against the bytes left for it after the elements before it.
bool CheckCounts(const Header& h, long long bodyBytes, std::string* error) {
    long long rest = bodyBytes + (h.encoding == Encoding::Ascii ? 1 : 0);  // no final blank
    for (const Element& e : h.elements) {
        const long long each = MinBytes(e, h.encoding);
        if (each == 0) {
            if (e.count == 0) continue;
            *error = "element " + e.name + " has no properties";
            return false;
        }
        if (e.count > rest / each) {
            *error = ClaimTooLarge(e.count, Plural(e), rest / each);
            return false;
        }
        rest -= e.count * each;
    }
    return true;
}

// Reads the body value by value. ASCII files are read as the importer reads them: one
// element per line (a carriage return ends a line too), so that no count it sizes a list
// by can exceed the values on its line.
class BodyScan {
public:
    // `headerLines`: the lines before the body, for line numbers in messages.
    BodyScan(std::string_view body, Encoding encoding, long long headerLines)
        : m_Body(body), m_Encoding(encoding), m_Line(headerLines) {}

    // Moves to the next element: in ASCII, the next line that holds values. False at the
    // end of the body.
    bool Begin() {
        if (m_Encoding != Encoding::Ascii) return m_At < m_Body.size();
        m_Words.clear();
        m_Next = 0;
        while (m_Words.empty() && m_At < m_Body.size()) {
            std::size_t end = m_Body.find_first_of("\r\n", m_At);
            if (end == std::string_view::npos) end = m_Body.size();
            SplitBlanks(m_Body.substr(m_At, end - m_At), &m_Words);
            const bool crlf =
                end + 1 < m_Body.size() && m_Body[end] == '\r' && m_Body[end + 1] == '\n';
            m_At = end + (crlf ? 2 : 1);
            ++m_Line;
        }
        return !m_Words.empty();
    }
    // Reads one integer of the integer type t; false past the element's values or for a
    // malformed value.
    bool Integer(const ValueType& t, long long* value) {
        if (m_Encoding == Encoding::Ascii)
            return m_Next < m_Words.size() && ParseInteger(m_Words[m_Next++], value);
        uint64_t bits = 0;
        if (!Bytes(t.size, &bits)) return false;
        if (t.kind == Kind::Unsigned) {
            *value = static_cast<long long>(bits);
        } else {
            const int shift = 64 - 8 * t.size;  // sign-extend from t.size bytes
            *value = static_cast<long long>(static_cast<int64_t>(bits << shift) >> shift);
        }
        return true;
    }
    // Skips one value of type t; false past the element's values.
    bool Skip(const ValueType& t) {
        if (m_Encoding == Encoding::Ascii) return m_Next++ < m_Words.size();
        if (m_Body.size() - m_At < static_cast<std::size_t>(t.size)) return false;
        m_At += static_cast<std::size_t>(t.size);
        return true;
    }
    // Why the element `where` could not be read.
    std::string Short(const std::string& where) const {
        if (m_Encoding != Encoding::Ascii) return "the file ends inside " + where;
        return "line " + std::to_string(m_Line) + ": " + where +
               " lacks values or has a malformed count or index";
    }

private:
    bool Bytes(int size, uint64_t* bits) {
        if (m_Body.size() - m_At < static_cast<std::size_t>(size)) return false;
        const unsigned char* b = reinterpret_cast<const unsigned char*>(m_Body.data() + m_At);
        *bits = 0;
        for (int k = 0; k < size; ++k) {
            const int from = m_Encoding == Encoding::LittleEndian ? size - 1 - k : k;
            *bits = (*bits << 8) | b[from];
        }
        m_At += static_cast<std::size_t>(size);
        return true;
    }

    std::string_view m_Body;
    Encoding m_Encoding;
    std::size_t m_At = 0;
    std::vector<std::string_view> m_Words;  // ASCII: the current element's values
    std::size_t m_Next = 0;
    long long m_Line;
};

// Walks every element of the body; the index lists of faces and strips are checked.
bool ScanBody(const Header& h, std::string_view body, long long headerLines, std::string* error) {
    if (h.encoding == Encoding::Ascii && body.find('\0') != std::string_view::npos) {
        *error = "a zero byte in an ASCII PLY file";
        return false;
    }
    long long vertexCount = 0;
    for (const Element& e : h.elements) {
        if (e.name == "vertex") vertexCount = e.count;
    }
    BodyScan scan(body, h.encoding, headerLines);
    for (const Element& e : h.elements) {
        for (long long k = 0; k < e.count; ++k) {
            const auto where = [&] { return e.name + " " + std::to_string(k); };
            if (!scan.Begin()) {
                *error = "the file ends before " + where();
                return false;
            }
            for (const Property& p : e.properties) {
                long long n = 0;
                if (p.isList ? !scan.Integer(p.count, &n) || n < 0 : !scan.Skip(p.value)) {
                    *error = scan.Short(where());
                    return false;
                }
                for (long long c = 0; c < n; ++c) {
                    long long index = 0;
                    if (!(p.isIndexList ? scan.Integer(p.value, &index) : scan.Skip(p.value))) {
                        *error = scan.Short(where());
                        return false;
                    }
                    if (!p.isIndexList || (e.isStrip && index == -1)) continue;
                    const std::string bad = BadCornerMessage(k, index, vertexCount);
                    if (!bad.empty()) {
                        *error = e.isStrip ? "triangle strip " + bad.substr(5) : bad;
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace

bool CheckPly(const std::string& bytes, std::string* error) {
    Header h;
    if (!ParseHeader(bytes, &h, error)) return false;
    const std::string_view body = std::string_view(bytes).substr(h.bodyStart);
    const long long headerLines = std::count(bytes.begin(), bytes.begin() + h.bodyStart, '\n');
    return CheckCounts(h, static_cast<long long>(body.size()), error) &&
           ScanBody(h, body, headerLines, error);
}

}  // namespace pkcli
