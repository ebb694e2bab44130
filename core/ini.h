// The configuration file: a small reader and writer with the semantics of Windows
// profile (INI) files. Section and key names match without regard to letter case;
// a value loses its surrounding blanks (and one pair of surrounding quotes); a read
// gives at most 127 bytes of code page 932; the file is CP932 text with CR LF line
// ends. A line that is neither a section, a key nor a comment is ignored.
#pragma once

#include <string>
#include <string_view>

namespace tagshelf {

// The value of the key, or an empty text when the file, the section or the key is
// missing. Never fails.
std::string fncGetIni(const std::string& file, std::string_view section, std::string_view key);

// Writes one key, creating the file and the section when missing and keeping every
// other line. True when the file was written.
bool fncPutIni(const std::string& file, std::string_view section, std::string_view key,
               std::string_view value);

// The same two on the file's bytes in memory: the value fncGetIni gives for a
// file holding `content`, and the content fncPutIni writes for it.
std::string iniValue(std::string_view content, std::string_view section, std::string_view key);
std::string iniWithValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace tagshelf
