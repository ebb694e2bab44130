#include "bench/gen_tree.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "core/codepage.h"
#include "core/text.h"
#include "tests/support/tag_builder.h"

namespace tagshelf::bench {
namespace {

using test::Bytes;

// splitmix64: one independent stream per file, so file i is the same whatever
// the count.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    std::size_t between(std::size_t lo, std::size_t hi) { return lo + below(hi - lo + 1); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& a) {
        return a[below(N)];
    }

  private:
    std::uint64_t state_;
};

constexpr std::array<const char*, 24> kArtists = {
    "山田太郎",
    "佐藤花子",
    "東京スカパラダイス",
    "さくら合唱団",
    "Blue Lanterns",
    "鈴木一郎とその仲間",
    "ミドリカワ",
    "The Kyoto Strings",
    "浜辺の楽団",
    "夜明けのバンド",
    "Nakamura Trio",
    "月光オーケストラ",
    "いろは",
    "星野ゆかり",
    "Red Maple",
    "北国の風",
    "高橋メグミ",
    "ネオン通り",
    "Shibuya Beats",
    "雪月花",
    "Tanaka & Sons",
    "青い鳥",
    "渡辺ケンジ",
    "秋桜",
};

constexpr std::array<const char*, 20> kAlbums = {
    "はじまりの歌",     "Greatest Hits",   "夏の記憶",   "ライブ・アット・武道館",
    "冬の旅",           "Collection 1999", "春よ来い",   "夜想曲集",
    "ベスト・オブ",     "Second Album",    "海と空",     "未来への手紙",
    "アコースティック", "Remixes",         "故郷",       "旅立ちの日に",
    "Live in Osaka",    "子守唄",          "真夜中の街", "光と影",
};

constexpr std::array<const char*, 32> kTitleWords = {
    "桜",     "雨",    "風の歌", "ありがとう", "Goodbye", "さよなら", "夢",     "Love Song",
    "星空",   "約束",  "Blue",   "君の名前",   "明日",    "Summer",   "ひかり", "線路",
    "海辺",   "Tokyo", "帰り道", "ふたり",     "Night",   "花火",     "永遠に", "Dance",
    "朝焼け", "手紙",  "Memory", "港町",       "涙",      "Smile",    "初恋",   "旅人",
};

constexpr std::array<const char*, 8> kComments = {
    "",         "ライブ録音",   "Remastered 2010", "初回限定盤より",
    "デモ音源", "カラオケ付き", "Bonus track",     "作詞・作曲：山田",
};

struct Genre {
    int number;
    const char* name;
};
constexpr std::array<Genre, 8> kGenres = {{
    {13, "Pop"},
    {17, "Rock"},
    {8, "Jazz"},
    {32, "Classical"},
    {24, "Soundtrack"},
    {52, "Electronic"},
    {0, "Blues"},
    {12, "Other"},
}};

// How often each kind occurs, out of 20.
constexpr std::array<FileKind, 20> kKindMix = {
    FileKind::Id3v23,        FileKind::Id3v23,        FileKind::Id3v23,
    FileKind::Id3v23,        FileKind::Id3v23Padded,  FileKind::Id3v23Padded,
    FileKind::Id3v23Padded,  FileKind::Id3v23Picture, FileKind::Id3v23Picture,
    FileKind::Id3v23Picture, FileKind::Id3v24,        FileKind::Id3v24,
    FileKind::Id3v22,        FileKind::Id3v22,        FileKind::Id3v22,
    FileKind::Id3v11,        FileKind::Id3v11,        FileKind::Id3v1,
    FileKind::Untagged,      FileKind::Untagged,
};

// A text as an ID3v1 field keeps: at most `width` Shift-JIS bytes, whole characters.
std::string fitted(const std::string& text, std::size_t width) {
    std::string bytes = codepage::encode(text);
    return codepage::decode(codepage::cutAtCharacter(bytes, width));
}

std::string fileNameOf(std::size_t index, const std::string& title) {
    std::string safe;
    for (char c : title)
        safe.push_back(c == '/' ? '_' : c);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%05zu ", index);
    return prefix + safe + ".mp3";
}

std::string folderName(std::size_t number, const char* name) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%02zu ", number);
    std::string safe;
    for (const char* p = name; *p; ++p)
        safe.push_back(*p == '/' ? '_' : *p);
    return prefix + safe;
}

PlannedFile plan(std::size_t index, const TreeOptions& options) {
    Random rng(options.seed ^ (0xD1B54A32D192ED03ULL * (index + 1)));
    PlannedFile f;
    f.kind = rng.pick(kKindMix);

    // 20 artist folders of 500 files, each with album folders of 25 files.
    const std::size_t artistNo = index / 500;
    const std::size_t albumNo = (index / 25) % 20;
    const char* artist = kArtists[(artistNo * 7 + options.seed) % kArtists.size()];
    const char* album = kAlbums[(albumNo * 3 + artistNo) % kAlbums.size()];

    std::string title = rng.pick(kTitleWords);
    if (rng.below(2)) title += std::string(rng.below(2) ? "の" : " ") + rng.pick(kTitleWords);
    f.artist = artist;
    f.album = album;
    f.title = title;
    f.year = std::to_string(1970 + rng.below(55));
    f.comment = rng.pick(kComments);
    f.track = static_cast<int>(index % 25 + 1);
    f.genre = rng.pick(kGenres).number;
    f.audioBytes = rng.between(options.minAudioBytes, options.maxAudioBytes);
    f.relativePath = std::filesystem::path(folderName(artistNo, artist)) /
                     folderName(albumNo, album) / fileNameOf(index, title);
    const bool longValues = options.longEvery != 0 && index % options.longEvery == 0;
    if (longValues) {
        f.relativePath =
            f.relativePath.parent_path() / std::string(200, 'l') / f.relativePath.filename();
        std::string comment;
        while (utf8Length(comment) < 200)
            comment += "長いコメント long comment ";
        f.comment = comment.substr(0, utf8PrefixBytes(comment, 200));
    }

    switch (f.kind) {
        case FileKind::Id3v23:
        case FileKind::Id3v23Padded:
        case FileKind::Id3v23Picture:
            f.family = kID3v22;
            f.version = kID3v23;
            f.utf16 = rng.below(2) == 0;
            if (f.kind == FileKind::Id3v23Padded) f.paddingBytes = rng.between(256, 2048);
            if (f.kind == FileKind::Id3v23Picture) {
                f.pictureBytes = rng.between(4 * 1024, 32 * 1024);
                f.paddingBytes = rng.between(512, 4096);
            }
            f.unsync = f.kind == FileKind::Id3v23 && rng.below(30) == 0;
            break;
        case FileKind::Id3v24:
            f.family = kID3v22;
            f.version = kID3v24;
            f.pictureBytes = rng.between(4 * 1024, 32 * 1024);
            f.paddingBytes = rng.between(512, 4096);
            break;
        case FileKind::Id3v22:
            f.family = kID3v22;
            f.version = kID3v22;
            f.utf16 = rng.below(5) == 0;
            break;
        case FileKind::Id3v11:
        case FileKind::Id3v1:
            f.family = kID3v1;
            f.version = f.kind == FileKind::Id3v11 ? kID3v11 : kID3v1;
            f.title = fitted(f.title, 30);
            f.artist = fitted(f.artist, 30);
            f.album = fitted(f.album, 30);
            f.comment = fitted(f.comment, f.kind == FileKind::Id3v11 ? 28 : 30);
            if (f.kind == FileKind::Id3v1) f.track = 0;
            break;
        case FileKind::Untagged:
            f.family = kNoTag;
            f.version = kNoTag;
            f.title.clear();
            f.artist.clear();
            f.album.clear();
            f.year.clear();
            f.comment.clear();
            f.track = 0;
            f.genre = 0;
            break;
    }
    return f;
}

Bytes pictureBody(std::size_t bytes, std::uint32_t seed) {
    Bytes body{0x00};
    test::append(body, test::raw("image/jpeg"));
    test::append(body, {0x00, 0x03, 0x00});  // terminator, front cover, empty description
    test::append(body, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10});
    test::append(body, test::raw(std::string("JFIF\0", 5)));
    Bytes noise = test::fakeAudio(bytes, seed);
    body.insert(body.end(), noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(bytes));
    return body;
}

std::string genreText(int number) {
    for (const Genre& g : kGenres) {
        if (g.number == number) return "(" + std::to_string(number) + ")" + g.name;
    }
    return "(" + std::to_string(number) + ")";
}

Bytes id3v2Tag(const PlannedFile& f, std::uint32_t seed) {
    const bool v23 = f.version == kID3v23;
    auto text = [&f](const std::string& s) {
        return f.utf16 ? test::utf16Text(s) : test::sjisText(s);
    };
    auto frame = [v23](const char* id23, const char* id22, const Bytes& body) {
        return v23 ? test::frameV23(id23, body) : test::frameV22(id22, body);
    };
    test::Id3v2Builder tag(v23 ? 3 : 2);
    tag.frame(frame("TIT2", "TT2", text(f.title)));
    tag.frame(frame("TPE1", "TP1", text(f.artist)));
    tag.frame(frame("TALB", "TAL", text(f.album)));
    tag.frame(frame("TRCK", "TRK", text(std::to_string(f.track) + "/25")));
    tag.frame(frame("TCON", "TCO", text(genreText(f.genre))));
    tag.frame(frame("TYER", "TYE", text(f.year)));
    if (!f.comment.empty()) {
        Bytes body = f.utf16 ? test::commentBody(1, "jpn", test::utf16(""), test::utf16(f.comment))
                             : test::commentBody(0, "jpn", {}, test::sjis(f.comment));
        tag.frame(frame("COMM", "COM", body));
    }
    if (f.pictureBytes > 0) tag.frame(test::frameV23("APIC", pictureBody(f.pictureBytes, seed)));
    tag.padding(f.paddingBytes);
    tag.unsync(f.unsync);
    return tag.build();
}

// A version-4 tag as current taggers write it: UTF-8 texts, the year in TDRC,
// synchsafe frame sizes, a picture and padding.
Bytes id3v24Tag(const PlannedFile& f, std::uint32_t seed) {
    auto text = [](const std::string& s) { return test::concat({{3}, test::raw(s)}); };
    test::Id3v2Builder tag(4);
    tag.frame(test::frameV24("TIT2", text(f.title)));
    tag.frame(test::frameV24("TPE1", text(f.artist)));
    tag.frame(test::frameV24("TALB", text(f.album)));
    tag.frame(test::frameV24("TRCK", text(std::to_string(f.track) + "/25")));
    tag.frame(test::frameV24("TCON", text(std::to_string(f.genre))));
    tag.frame(test::frameV24("TDRC", text(f.year)));
    if (!f.comment.empty()) {
        tag.frame(test::frameV24("COMM", test::commentBody(3, "jpn", {}, test::raw(f.comment))));
    }
    tag.frame(test::frameV24("APIC", pictureBody(f.pictureBytes, seed)));
    tag.padding(f.paddingBytes);
    return tag.build();
}

Bytes id3v1Trailer(const PlannedFile& f) {
    test::Id3v1Fields fields;
    fields.title = test::sjis(f.title);
    fields.artist = test::sjis(f.artist);
    fields.album = test::sjis(f.album);
    fields.year = test::raw(f.year);
    fields.comment = test::sjis(f.comment);
    if (f.kind == FileKind::Id3v11) fields.track = static_cast<std::uint8_t>(f.track);
    fields.genre = static_cast<std::uint8_t>(f.genre);
    return test::id3v1Trailer(fields);
}

}  // namespace

std::string_view kindName(FileKind kind) {
    switch (kind) {
        case FileKind::Id3v23:
            return "ID3v2.3";
        case FileKind::Id3v23Padded:
            return "ID3v2.3+padding";
        case FileKind::Id3v23Picture:
            return "ID3v2.3+APIC";
        case FileKind::Id3v24:
            return "ID3v2.4+APIC";
        case FileKind::Id3v22:
            return "ID3v2.2";
        case FileKind::Id3v11:
            return "ID3v1.1";
        case FileKind::Id3v1:
            return "ID3v1";
        case FileKind::Untagged:
            return "untagged";
    }
    return "?";
}

std::vector<PlannedFile> planTree(const TreeOptions& options) {
    std::vector<PlannedFile> files;
    files.reserve(options.count);
    for (std::size_t i = 0; i < options.count; ++i)
        files.push_back(plan(i, options));
    return files;
}

std::vector<std::uint8_t> fileBytes(const PlannedFile& f, const TreeOptions& options) {
    // FNV-1a of the path: the same on every platform and compiler.
    std::uint64_t hash = 0xCBF29CE484222325ULL ^ options.seed;
    for (unsigned char c : f.relativePath.string())
        hash = (hash ^ c) * 0x100000001B3ULL;
    const auto seed = static_cast<std::uint32_t>(hash ^ (hash >> 32));
    Bytes audio = test::fakeAudio(f.audioBytes, seed | 1);
    audio.resize(f.audioBytes);
    switch (f.family) {
        case kID3v22:
            if (f.kind == FileKind::Id3v24) return test::concat({id3v24Tag(f, seed), audio});
            return test::concat({id3v2Tag(f, seed), audio});
        case kID3v1:
            return test::concat({audio, id3v1Trailer(f)});
        default:
            return audio;
    }
}

TreeSummary generateTree(const std::filesystem::path& root, const TreeOptions& options) {
    TreeSummary summary;
    summary.files = planTree(options);
    for (const PlannedFile& f : summary.files) {
        const std::filesystem::path path = root / f.relativePath;
        std::filesystem::create_directories(path.parent_path());
        Bytes bytes = fileBytes(f, options);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
        summary.perKind[static_cast<std::size_t>(f.kind)] += 1;
        summary.totalBytes += bytes.size();
    }
    return summary;
}

}  // namespace tagshelf::bench
