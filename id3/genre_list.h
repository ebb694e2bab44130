// The 256 English genre names of the edit window's genre list and of the genre
// selection dialog. A name's position in the list is the ID3v1 genre byte the
// writer stores for it. The names are kept exactly as the program has always
// shown them, unusual spellings and trailing spaces included; positions 149 to
// 251 are a single space each.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tagshelf {

namespace detail {
constexpr std::array<std::string_view, 256> makeGenreList() {
    constexpr std::string_view kNamed[] = {
        "Blues",                   // 0
        "ClassicRock",             // 1
        "Country",                 // 2
        "Dance",                   // 3
        "Disco",                   // 4
        "Funk",                    // 5
        "Grunge",                  // 6
        "Hip-Hop",                 // 7
        "Jazz",                    // 8
        "Metal",                   // 9
        "New Age",                 // 10
        "Oldies",                  // 11
        "Other",                   // 12
        "Pop",                     // 13
        "R&B",                     // 14
        "Rap",                     // 15
        "Reggae",                  // 16
        "Rock",                    // 17
        "Techno",                  // 18
        "Industrial",              // 19
        "Alternative",             // 20
        "Ska",                     // 21
        "Death Metal",             // 22
        "Pranks",                  // 23
        "Soundtrack",              // 24
        "Euro-tecno",              // 25
        "Ambient",                 // 26
        "Trip-Hop",                // 27
        "Vocal",                   // 28
        "Juzz+Funk",               // 29
        "Fusion",                  // 30
        "Trance",                  // 31
        "Classical",               // 32
        "Instrumental",            // 33
        "Acid",                    // 34
        "House",                   // 35
        "Game",                    // 36
        "Sound",                   // 37
        "Clip",                    // 38
        "Gospel",                  // 39
        "Noise",                   // 40
        "AlternRock",              // 41
        "Bass",                    // 42
        "Soul",                    // 43
        "Punk",                    // 44
        "Space",                   // 45
        "Meditative",              // 46
        "Instrumental Pop",        // 47
        "Instrumental Rock",       // 48
        "Ethnic",                  // 49
        "Gothic",                  // 50
        "Darkwave",                // 51
        "Techno-Industrial",       // 52
        "Electronic",              // 53
        "Pop-Folk",                // 54
        "Eurodance",               // 55
        "Dream",                   // 56
        "Southern Rock",           // 57
        "Comedy",                  // 58
        "Cult",                    // 59
        "Gangsta",                 // 60
        "Top 40",                  // 61
        "Christian Rap",           // 62
        "Pop/Funk",                // 63
        "Jungle",                  // 64
        "Native American",         // 65
        "Cabaret",                 // 66
        "New Wave",                // 67
        "Psychadelic",             // 68
        "Rave",                    // 69
        "Showtunes",               // 70
        "Trailer",                 // 71
        "Lo-Fi",                   // 72
        "Tribal",                  // 73
        "Acid Punk",               // 74
        "Acid Jazz",               // 75
        "Polka",                   // 76
        "Retro",                   // 77
        "Musical",                 // 78
        "Rock & Roll",             // 79
        "Hard Rock",               // 80
        "Folk",                    // 81
        "Folk/Rock",               // 82
        "National Folk",           // 83
        "Swing",                   // 84
        "Fast-Fusion",             // 85
        "Bedob",                   // 86
        "Latin",                   // 87
        "Revival",                 // 88
        "Celtic",                  // 89
        "Bluegrass",               // 90
        "Avantagarde",             // 91
        "Gothic Rock",             // 92
        "Progressive Rock",        // 93
        "Psychadelic Rock",        // 94
        "Symphonic Rock",          // 95
        "Slow Rock",               // 96
        "Big band",                // 97
        "Chorus",                  // 98
        "Easy Listening",          // 99
        "Acoustic",                // 100
        "Humour",                  // 101
        "SpeechChanson",           // 102
        "Chanson",                 // 103
        "Opera",                   // 104
        "Chamber Music",           // 105
        "Sonata",                  // 106
        "Symphony",                // 107
        "Booty Bass",              // 108
        "Primus",                  // 109
        "Porn Groove",             // 110
        "Satire",                  // 111
        "Slow Jam",                // 112
        "Club",                    // 113
        "Tango",                   // 114
        "Samba",                   // 115
        "Folklore",                // 116
        "Ballad",                  // 117
        "Power Ballad",            // 118
        "Rhytmic Soul",            // 119
        "Freestyle",               // 120
        "Duet",                    // 121
        "Punk Rock",               // 122
        "Drum Solo",               // 123
        "Acapella",                // 124
        "Euro-House",              // 125
        "Dance Hall",              // 126
        "Goa",                     // 127
        "Dram & Bass",             // 128
        "Club-House",              // 129
        "Hardcore",                // 130
        "Terror",                  // 131
        "Indie",                   // 132
        "BritPop",                 // 133
        "Negerpunk",               // 134
        "Polsk Punk",              // 135
        "Beat",                    // 136
        "Chiristian Gangsta Rap",  // 137
        "Heavy Metal",             // 138
        "Black Metal",             // 139
        "Crossover",               // 140
        "Contemporary Christian",  // 141
        "Christian Rock",          // 142
        "Merengue",                // 143
        "Salsa ",                  // 144
        "Thrash Metal",            // 145
        "Anime",                   // 146
        "JPop",                    // 147
        "Synthpop ",               // 148
    };
    constexpr std::string_view kLast[] = {"Seiyu", "Tecno Ambient", "Moemoe", "Tokusatsu Anime"};
    std::array<std::string_view, 256> list{};
    std::size_t i = 0;
    for (std::string_view name : kNamed)
        list[i++] = name;
    while (i < 252)
        list[i++] = " ";
    for (std::string_view name : kLast)
        list[i++] = name;
    return list;
}
}  // namespace detail

inline constexpr std::array<std::string_view, 256> kGenreList = detail::makeGenreList();

// The position of a name in the list: the first exact match, else the first match
// that differs only in the case of ASCII letters; nothing when the name is absent.
std::optional<int> genrePosition(std::string_view name);

}  // namespace tagshelf
