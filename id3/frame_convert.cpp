// What a frame of one ID3v2 version becomes in another: its identifier, a
// picture's image format, and the texts of a version-4 frame re-encoded for
// version 3.
#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "core/codepage.h"
#include "id3/frame_carry.h"

namespace tagshelf {

namespace {

// The frames of version 2.2 and their version-2.3 counterparts.
constexpr std::array<std::pair<std::string_view, std::string_view>, 61> kRenamed{{
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
    {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
    {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
    {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"},
    {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
    {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
}};

// The frames version 2.3 defines.
constexpr std::string_view kVersion3Frames[] = {
    "AENC", "APIC", "COMM", "COMR", "ENCR", "EQUA", "ETCO", "GEOB", "GRID", "IPLS", "LINK",
    "MCDI", "MLLT", "OWNE", "PRIV", "PCNT", "POPM", "POSS", "RBUF", "RVAD", "RVRB", "SYLT",
    "SYTC", "TALB", "TBPM", "TCOM", "TCON", "TCOP", "TDAT", "TDLY", "TENC", "TEXT", "TFLT",
    "TIME", "TIT1", "TIT2", "TIT3", "TKEY", "TLAN", "TLEN", "TMED", "TOAL", "TOFN", "TOLY",
    "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS", "TPUB", "TRCK", "TRDA",
    "TRSN", "TRSO", "TSIZ", "TSRC", "TSSE", "TYER", "TXXX", "UFID", "USER", "USLT", "WCOM",
    "WCOP", "WOAF", "WOAR", "WOAS", "WORS", "WPAY", "WPUB", "WXXX",
};

using Bytes = std::vector<std::uint8_t>;

// A text field from `at`, in encoding `e`, up to its terminator (one zero byte in
// encodings 0 and 3, two at an even offset in 1 and 2); `at` moves past it.
Bytes field(const Bytes& body, std::size_t& at, std::uint8_t e) {
    const std::size_t start = at;
    const bool wide = e == 1 || e == 2;
    while (at < body.size()) {
        if (!wide && body[at] == 0) break;
        if (wide && at + 1 < body.size() && body[at] == 0 && body[at + 1] == 0) break;
        at += wide ? 2 : 1;
    }
    Bytes text(body.begin() + static_cast<std::ptrdiff_t>(start),
               body.begin() + static_cast<std::ptrdiff_t>(std::min(at, body.size())));
    at = std::min(body.size(), at + (wide ? 2 : 1));
    return text;
}

// Text in encoding 2 (UTF-16 big-endian) or 3 (UTF-8) as UTF-16 with its mark.
Bytes asUtf16(const Bytes& text, std::uint8_t e) {
    std::u16string units;
    if (e == 3) {
        units = codepage::toUtf16({reinterpret_cast<const char*>(text.data()), text.size()});
    } else {
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            const char16_t unit = static_cast<char16_t>((text[i] << 8) | text[i + 1]);
            if (!(i == 0 && unit == 0xFEFF)) units.push_back(unit);
        }
    }
    Bytes out{0xFF, 0xFE};
    for (char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

std::string counterpartId(std::string_view id, std::uint8_t fromVersion, std::uint8_t toVersion) {
    for (const auto& [v22, v23] : kRenamed) {
        if (fromVersion == 2 && toVersion == 3 && id == v22) return std::string(v23);
        if (fromVersion == 3 && toVersion == 2 && id == v23) return std::string(v22);
    }
    if (fromVersion == 4 && toVersion == 3 &&
        std::find(std::begin(kVersion3Frames), std::end(kVersion3Frames), id) !=
            std::end(kVersion3Frames)) {
        return std::string(id);
    }
    return {};
}

std::vector<std::uint8_t> pictureBodyFor(const std::vector<std::uint8_t>& body,
                                         std::uint8_t fromVersion, std::uint8_t toVersion) {
    if (body.empty() || fromVersion == toVersion) return body;
    Bytes out{body[0]};
    std::size_t rest = 0;
    if (fromVersion == 2) {
        // A three-letter image format ("JPG", "PNG") becomes a MIME type.
        std::string format(body.begin() + 1,
                           body.begin() + std::min<std::ptrdiff_t>(4, body.size()));
        for (char& c : format)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string mime = "image/" + (format == "jpg" ? std::string("jpeg") : format);
        out.insert(out.end(), mime.begin(), mime.end());
        out.push_back(0);
        rest = std::min<std::size_t>(4, body.size());
    } else {
        std::size_t at = 1;
        Bytes mime = field(body, at, 0);
        std::string type(mime.begin(), mime.end());
        const std::size_t slash = type.find('/');
        std::string format = slash == std::string::npos ? type : type.substr(slash + 1);
        if (format == "jpeg") format = "jpg";
        for (char& c : format)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        format.resize(3, ' ');
        out.insert(out.end(), format.begin(), format.end());
        rest = at;
    }
    out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(rest), body.end());
    return out;
}

std::optional<std::vector<std::uint8_t>> bodyForVersion3(std::string_view id,
                                                         const std::vector<std::uint8_t>& body) {
    // Frames whose content starts with a text encoding; any other is kept whole.
    static constexpr std::string_view kEncoded[] = {"COMM", "USLT", "APIC", "WXXX", "GEOB",
                                                    "USER", "SYLT", "COMR", "OWNE", "IPLS"};
    const bool encoded = id.front() == 'T' || std::find(std::begin(kEncoded), std::end(kEncoded),
                                                        id) != std::end(kEncoded);
    if (body.empty() || !encoded) return body;
    const std::uint8_t e = body[0];
    const bool text = id.front() == 'T' && id != "TXXX";
    if (text) {
        // Several values become one, joined with "/" as the readers show them.
        std::size_t at = 1;
        std::vector<Bytes> values;
        while (at < body.size())
            values.push_back(field(body, at, e));
        while (!values.empty() && values.back().empty())
            values.pop_back();
        if (e <= 1 && values.size() <= 1) return body;
        Bytes joined;
        for (std::size_t i = 0; i < values.size(); ++i) {
            Bytes value = e <= 1 ? values[i] : asUtf16(values[i], e);
            // One byte-order mark, at the start of the joined text.
            if (e != 0 && i > 0 && value.size() >= 2 && value[0] == 0xFF && value[1] == 0xFE)
                value.erase(value.begin(), value.begin() + 2);
            if (i > 0) append(joined, e == 0 ? Bytes{'/'} : Bytes{'/', 0});
            append(joined, value);
        }
        Bytes out{static_cast<std::uint8_t>(e == 0 ? 0 : 1)};
        append(out, joined);
        return out;
    }
    if (e <= 1) return body;
    if (e > 3) return std::nullopt;
    // The fields of each layout: 't' a text in the frame's encoding, 'l' a
    // Latin-1 text, 'L' three bytes of language, 'b' one byte, '*' the rest.
    std::string_view layout;
    if (id == "TXXX") layout = "tt";
    if (id == "COMM" || id == "USLT") layout = "Ltt";
    if (id == "APIC") layout = "lbt*";
    if (id == "WXXX") layout = "t*";
    if (id == "GEOB") layout = "ltt*";
    if (id == "USER") layout = "Lt";
    if (layout.empty()) return std::nullopt;
    Bytes out{1};
    std::size_t at = 1;
    for (char part : layout) {
        if (part == 't') {
            append(out, asUtf16(field(body, at, e), e));
            append(out, {0, 0});
        } else if (part == 'l') {
            append(out, field(body, at, 0));
            out.push_back(0);
        } else {
            const std::size_t n = part == 'L' ? 3 : part == 'b' ? 1 : body.size();
            const std::size_t end = std::min(body.size(), at + n);
            out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(at),
                       body.begin() + static_cast<std::ptrdiff_t>(end));
            at = end;
        }
    }
    // The last text of a frame needs no terminator.
    if (layout.back() == 't') out.resize(out.size() - 2);
    return out;
}

}  // namespace tagshelf
