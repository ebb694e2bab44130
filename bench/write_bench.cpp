// tagshelf-bench-write [FOLDER] [MEGABYTES] [REPEATS]: rewrites the tag of one
// large MP3 file (default 100 MB) in FOLDER (default ./tagshelf-bench-write) and
// compares each rewrite with the plain cost of the same bytes reaching the disk:
// `cp` of the file, then `sync` of the copy. Every timed rewrite flushes its file
// and folder too, so both sides pay for the disk. Reported: the median of REPEATS
// (default 5) runs of each, and the ratio rewrite / copy.
//
//  - ID3v2.3 -> ID3v2.3: the usual edit, a new tag in front of the whole audio;
//  - ID3v2.3 -> ID3v1: the ID3v2 tag dropped, an ID3v1 block after the audio.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "id3/apply_edit.h"
#include "id3/writer.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

bool run(const std::string& command) {
    if (std::system(command.c_str()) == 0) return true;
    std::fprintf(stderr, "tagshelf-bench-write: failed: %s\n", command.c_str());
    return false;
}

// An ID3v2.3 tag of a few frames followed by `bytes` of pseudo-random audio
// frames (MPEG-1 Layer III headers every 417 bytes).
bool makeFile(const std::string& path, std::size_t bytes) {
    tagshelf::Id3v2Tag tag;
    tag.Version = 3;
    tag.Title = "Benchmark title";
    tag.Artist = "Benchmark artist";
    tag.Album = "Benchmark album";
    tag.Year = "2003";
    tag.Track = "1/10";
    tag.Genre = "(17)Rock";
    tag.Comment = "benchmark";
    tagshelf::Result<tagshelf::TagBytes> head = tagshelf::fncID3v2TagBytes(tag);
    if (!head) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head->data()),
              static_cast<std::streamsize>(head->size()));
    std::vector<char> chunk(417 * 2048);
    std::uint32_t x = 2463534242u;
    std::size_t written = 0;
    while (written < bytes) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            if (i % 417 == 0) {
                chunk[i] = '\xFF';
                chunk[i + 1] = '\xFB';
                chunk[i + 2] = '\x90';
                chunk[i + 3] = '\x64';
                i += 3;
                continue;
            }
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            chunk[i] = static_cast<char>(x);
        }
        const std::size_t n = std::min(chunk.size(), bytes - written);
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        written += n;
    }
    out.close();
    return static_cast<bool>(out) && run("sync " + quoted(path));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Times `step` REPEATS times; `prepare` runs untimed before each, then every
// dirty page of the system is written out so that no run pays for another's.
double timeIt(int repeats, const std::function<bool()>& prepare,
              const std::function<bool()>& step) {
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        if (!prepare()) std::exit(1);
        ::sync();
        const auto start = Clock::now();
        if (!step()) std::exit(1);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    return median(seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "tagshelf-bench-write";
    const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    if (megabytes == 0 || repeats <= 0) {
        std::fprintf(stderr, "usage: tagshelf-bench-write [FOLDER] [MEGABYTES] [REPEATS]\n");
        return 2;
    }
    fs::create_directories(folder);
    const std::string master = (fs::path(folder) / "master.mp3").string();
    const std::string work = (fs::path(folder) / "work.mp3").string();
    const std::string copy = (fs::path(folder) / "copy.mp3").string();
    if (!makeFile(master, megabytes * 1000 * 1000)) return 1;
    const double size = static_cast<double>(fs::file_size(master)) / 1e6;

    auto fresh = [&] {
        std::error_code ec;
        fs::remove(copy, ec);
        return run("cp " + quoted(master) + " " + quoted(work)) &&
               run("cat " + quoted(work) + " > /dev/null");
    };

    const double cpSync = timeIt(repeats, fresh, [&] {
        return run("cp " + quoted(work) + " " + quoted(copy) + " && sync " + quoted(copy));
    });

    tagshelf::EditFields v2;
    v2.txtTIT2 = "New title";
    v2.txtTPE1 = "New artist";
    v2.txtTYER = "2004";
    v2.txtTCON = "Rock";
    v2.txtTCONNo = "17";
    auto apply = [&](std::uint8_t newCode, const tagshelf::EditFields& fields) {
        tagshelf::Status s = tagshelf::fncApplyEdit(work, work, "ID3v23", newCode, fields);
        if (!s) {
            std::fprintf(stderr, "tagshelf-bench-write: %s: %s\n", s.error().step.c_str(),
                         s.error().description.c_str());
        }
        return s.ok();
    };
    const double v2ToV2 = timeIt(repeats, fresh, [&] { return apply(tagshelf::kID3v23, v2); });

    tagshelf::EditFields v1;
    v1.txtTitle = "New title";
    v1.cmbGenre = 17;
    const double v2ToV1 = timeIt(repeats, fresh, [&] { return apply(tagshelf::kID3v1, v1); });

    std::printf("file: %.1f MB in %s, median of %d runs\n", size, folder.c_str(), repeats);
    std::printf("cp + sync of the copy    %8.3f s  %7.1f MB/s\n", cpSync, size / cpSync);
    std::printf("ID3v2.3 -> ID3v2.3       %8.3f s  %7.1f MB/s  %.2f x cp+sync\n", v2ToV2,
                size / v2ToV2, v2ToV2 / cpSync);
    std::printf("ID3v2.3 -> ID3v1         %8.3f s  %7.1f MB/s  %.2f x cp+sync\n", v2ToV1,
                size / v2ToV1, v2ToV1 / cpSync);

    std::error_code ec;
    fs::remove(master, ec);
    fs::remove(work, ec);
    fs::remove(copy, ec);
    fs::remove(folder, ec);
    return 0;
}
