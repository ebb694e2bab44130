#include "core/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "core/codepage.h"

namespace tagshelf {

namespace {

// Profile reads fill a 128-byte buffer, so a value keeps at most 127 bytes.
constexpr std::size_t kValueBytes = 127;

std::optional<std::string> readWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string data;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line =
            text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

std::string_view trimBlanks(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The section name of a "[name]" line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    std::string_view t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimBlanks(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyOf(std::string_view line) {
    std::string_view t = trimBlanks(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{trimBlanks(t.substr(0, eq)), trimBlanks(t.substr(eq + 1))};
}

bool writeAtomically(const std::string& path, const std::string& data) {
    std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    struct stat st {};
    if (ok && ::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace

std::string fncGetIni(const std::string& file, std::string_view section, std::string_view key) {
    std::optional<std::string> text = readWholeFile(file);
    return text ? iniValue(*text, section, key) : std::string();
}

std::string iniValue(std::string_view content, std::string_view section, std::string_view key) {
    std::string sectionBytes = codepage::encode(section);
    std::string keyBytes = codepage::encode(key);
    bool inSection = false;
    for (std::string_view line : splitLines(content)) {
        if (auto name = sectionOf(line)) {
            // The first section of that name is the one that counts.
            if (inSection) break;
            inSection = equalsNoCase(*name, sectionBytes);
            continue;
        }
        if (!inSection) continue;
        auto kv = keyOf(line);
        if (!kv || !equalsNoCase(kv->key, keyBytes)) continue;
        std::string_view value = kv->value;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return codepage::decode(codepage::cutAtCharacter(value, kValueBytes));
    }
    return {};
}

bool fncPutIni(const std::string& file, std::string_view section, std::string_view key,
               std::string_view value) {
    const std::string existing = readWholeFile(file).value_or(std::string());
    return writeAtomically(file, iniWithValue(existing, section, key, value));
}

std::string iniWithValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value) {
    std::string sectionBytes = codepage::encode(section);
    std::string keyBytes = codepage::encode(key);
    std::string newLine = keyBytes + "=" + codepage::encode(value);

    std::vector<std::string> lines;
    for (std::string_view l : splitLines(content))
        lines.emplace_back(l);

    std::optional<std::size_t> sectionLine;
    std::optional<std::size_t> keyLine;
    std::size_t lastInSection = 0;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionOf(lines[i])) {
            if (inSection) break;
            inSection = equalsNoCase(*name, sectionBytes);
            if (inSection) {
                sectionLine = i;
                lastInSection = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trimBlanks(lines[i]).empty()) lastInSection = i;
        auto kv = keyOf(lines[i]);
        if (kv && equalsNoCase(kv->key, keyBytes)) {
            keyLine = i;
            break;
        }
    }
    if (keyLine) {
        lines[*keyLine] = newLine;
    } else if (sectionLine) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastInSection) + 1, newLine);
    } else {
        lines.push_back("[" + sectionBytes + "]");
        lines.push_back(newLine);
    }
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

}  // namespace tagshelf
