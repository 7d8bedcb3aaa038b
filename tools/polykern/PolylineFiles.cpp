#include "tools/polykern/PolylineFiles.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "tools/polykern/CommandLine.h"

namespace pkcli {

namespace {

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

}  // namespace

bool ParsePlanPoint(const std::string& line, PlanPoint* p) {
    const char* s = line.c_str();
    const char* end = s + line.size();
    auto skip = [&] {
        while (s < end && (*s == ' ' || *s == '\t' || *s == '\r')) ++s;
    };
    double v[2];
    for (double& value : v) {
        skip();
        if (s < end && *s == '+') ++s;  // from_chars takes no plus sign
        const auto r = std::from_chars(s, end, value);
        if (r.ec != std::errc() || !std::isfinite(value)) return false;
        s = r.ptr;
    }
    skip();
    *p = {v[0], v[1]};
    return s == end;
}

bool ReadPolylines(const std::string& path, std::vector<Polyline>* out, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::string line;
    int number = 0;
    Polyline current;
    int started = 0;
    auto finish = [&] {
        if (current.empty()) return true;
        if (current.size() < 2) {
            *error = path + ":" + std::to_string(started) + ": a polyline needs two points";
            return false;
        }
        out->push_back(std::move(current));
        current.clear();
        return true;
    };
    while (std::getline(in, line)) {
        ++number;
        if (IsBlank(line)) {
            if (!finish()) return false;
            continue;
        }
        PlanPoint p;
        if (!ParsePlanPoint(line, &p)) {
            *error = path + ":" + std::to_string(number) + ": expected two finite numbers 'x y'";
            return false;
        }
        if (current.empty()) started = number;
        current.push_back(p);
    }
    if (in.bad()) {
        *error = "cannot read '" + path + "'";
        return false;
    }
    return finish();
}

bool WritePolylines(const std::string& path,
                    const std::vector<Polyline>& lines,
                    std::string* error) {
    std::string text;
    char buffer[64];
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        for (const PlanPoint& p : lines[i]) {
            char* end = std::to_chars(buffer, buffer + sizeof buffer, p.x).ptr;
            *end++ = ' ';
            end = std::to_chars(end, buffer + sizeof buffer, p.y).ptr;
            *end++ = '\n';
            text.append(buffer, end);
        }
    }
    std::string name;
    const int fd = OpenTemporaryBeside(path, &name, error);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == text.size();
    const int savedErrno = errno;
    if (close(fd) != 0 || !written || std::rename(name.c_str(), path.c_str()) != 0) {
        *error = "cannot write '" + path + "': " + std::strerror(written ? errno : savedErrno);
        std::remove(name.c_str());
        return false;
    }
    return true;
}

}  // namespace pkcli
