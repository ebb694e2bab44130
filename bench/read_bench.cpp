// tagshelf-bench-read TREE [REPEATS]: tag detection plus reading over every .mp3
// file of a folder tree, against the smallest possible reader (open, read the
// header or trailer bytes, close) as the limit. Warm cache: every pass runs once
// before the timed ones. When TREE holds no .mp3 file the standard generated tree
// (10,000 files) is written there first.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/gen_tree.h"
#include "id3/reader.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Tally {
    std::size_t perFamily[5] = {};
    std::size_t errors = 0;
    std::size_t textBytes = 0;  // keeps the reads from being optimised away
};

// Detection and reading through the program's own function, as registration
// reads a file: one open for both.
Tally readWithTagShelf(const std::vector<std::string>& paths) {
    using namespace tagshelf;
    Tally t;
    for (const std::string& path : paths) {
        Result<FileTag> tag = fncReadFileTag(path);
        if (!tag) {
            ++t.errors;
            continue;
        }
        t.perFamily[tag->family] += 1;
        if (tag->family == kID3v1)
            t.textBytes += tag->v1.Title.size() + tag->v1.Artist.size() + tag->v1.Album.size();
        else if (tag->family == kID3v22)
            t.textBytes += tag->v2.Title.size() + tag->v2.Artist.size() + tag->v2.Album.size();
    }
    return t;
}

// The limit: open, read the 10 header bytes (and the 128 trailer bytes when there
// is no ID3v2 header), close.
Tally readMinimal(const std::vector<std::string>& paths) {
    Tally t;
    unsigned char buffer[128];
    for (const std::string& path : paths) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ++t.errors;
            continue;
        }
        ssize_t n = ::pread(fd, buffer, 10, 0);
        std::uint8_t family = 4;
        if (n >= 3 && std::memcmp(buffer, "ID3", 3) == 0) {
            family = 2;
        } else {
            // The cheapest size query (fstat costs several times more).
            const off_t size = ::lseek(fd, 0, SEEK_END);
            if (size >= 128 && ::pread(fd, buffer, 128, size - 128) == 128 &&
                std::memcmp(buffer, "TAG", 3) == 0) {
                family = 0;
            }
        }
        ::close(fd);
        t.perFamily[family] += 1;
        t.textBytes += buffer[3];
    }
    return t;
}

// The process's CPU time (user and system), in seconds: unlike the wall clock it
// leaves out the time other programs of a busy machine take.
double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Rate {
    double wall = 0;  // files per second of wall clock
    double cpu = 0;   // files per second of CPU time
};

template <typename Reader>
Rate filesPerSecond(Reader reader, const std::vector<std::string>& paths, Tally& tally) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    tally = reader(paths);
    const std::chrono::duration<double> seconds = Clock::now() - start;
    const auto files = static_cast<double>(paths.size());
    return {files / seconds.count(), files / (cpuSeconds() - cpuStart)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr, "usage: tagshelf-bench-read TREE [REPEATS]\n");
        return argc == 2 ? 0 : 2;
    }
    const std::filesystem::path root = argv[1];
    const int repeats = argc == 3 ? std::max(1, std::atoi(argv[2])) : 9;

    auto collect = [&root] {
        std::vector<std::string> paths;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_regular_file() && it->path().extension() == ".mp3")
                paths.push_back(it->path().string());
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    std::vector<std::string> paths = collect();
    if (paths.empty()) {
        std::printf("no .mp3 files in %s: generating the standard tree there\n", argv[1]);
        tagshelf::bench::generateTree(root);
        paths = collect();
    }

    Tally ours;
    Tally minimal;
    readWithTagShelf(paths);  // warm the cache
    readMinimal(paths);
    std::vector<Rate> oursRates;
    std::vector<Rate> minimalRates;
    for (int r = 0; r < repeats; ++r) {
        oursRates.push_back(filesPerSecond(readWithTagShelf, paths, ours));
        minimalRates.push_back(filesPerSecond(readMinimal, paths, minimal));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    auto pick = [](const std::vector<Rate>& rates, double Rate::*member) {
        std::vector<double> v;
        for (const Rate& r : rates)
            v.push_back(r.*member);
        return v;
    };

    std::printf("%zu files, %d timed passes each, warm cache\n", paths.size(), repeats);
    std::printf("  families (ID3v1 / ID3v2 / none): %zu / %zu / %zu\n", ours.perFamily[0],
                ours.perFamily[2], ours.perFamily[4]);
    for (double Rate::*clock : {&Rate::wall, &Rate::cpu}) {
        const char* name = clock == &Rate::wall ? "wall clock" : "CPU time";
        const std::vector<double> o = pick(oursRates, clock), m = pick(minimalRates, clock);
        // Each pass of ours runs right before a pass of the limit: their ratio is
        // the least disturbed by the machine's changing speed.
        std::vector<double> ratios;
        for (std::size_t r = 0; r < o.size(); ++r)
            ratios.push_back(o[r] / m[r]);
        std::printf(
            "  %-10s: TagShelf median %7.0f files/s, minimal reader %7.0f files/s, "
            "ratio median %.2f (passes %.2f to %.2f)\n",
            name, median(o), median(m), median(ratios),
            *std::min_element(ratios.begin(), ratios.end()),
            *std::max_element(ratios.begin(), ratios.end()));
    }
    bool agree = std::equal(std::begin(ours.perFamily), std::end(ours.perFamily),
                            std::begin(minimal.perFamily));
    if (!agree || ours.errors || minimal.errors) {
        std::printf("  WARNING: detection differs or files failed (errors %zu / %zu)\n",
                    ours.errors, minimal.errors);
        return 1;
    }
    return 0;
}
