// libFuzzer target for the configuration file reader and writer. The input is a
// section name, a key and a value, each ended by a NUL, then the file's bytes.
// Each run reads the key from the file and checks the value (valid UTF-8, at most
// 127 bytes of code page 932), then writes the value into the file: for a plain
// section, key and value, reading it back gives the value, and another key of
// the section keeps what it held. The sanitizers catch the rest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/codepage.h"
#include "core/ini.h"
#include "core/text.h"

namespace {

using namespace tagshelf;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
}

// Printable ASCII that no INI line form gives a meaning to, without blanks at
// either end.
bool plain(std::string_view s, std::size_t maxSize) {
    if (s.empty() || s.size() > maxSize || s.front() == ' ' || s.back() == ' ') return false;
    for (char c : s) {
        if (c < 0x20 || c > 0x7E || std::string_view("[]=;\"'\t").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

std::string_view nextPart(std::string_view& rest) {
    const std::size_t nul = rest.find('\0');
    const std::string_view part = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view section = nextPart(rest);
    const std::string_view key = nextPart(rest);
    const std::string_view value = nextPart(rest);
    const std::string_view content = rest;

    const std::string read = iniValue(content, section, key);
    if (!isValidUtf8(read)) fail("a value that is not UTF-8");
    if (codepage::encode(read).size() > 127) fail("a value longer than 127 bytes");

    const std::string written = iniWithValue(content, section, key, value);
    if (plain(section, 64) && plain(key, 64) && plain(value, 127)) {
        if (iniValue(written, section, key) != value) fail("the value written does not read back");
        const std::string other = std::string(key) + "2";
        if (iniValue(written, section, other) != iniValue(content, section, other))
            fail("writing a key changed another");
    }
    return 0;
}
