// tagshelf-gen-tree OUTDIR [COUNT]: writes the benchmark tree of MP3 files.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/gen_tree.h"

int main(int argc, char** argv) {
    using namespace tagshelf::bench;
    TreeOptions options;
    if (argc > 1 && std::string(argv[argc - 1]) == "--long") {
        options.longEvery = 10;  // one file in ten with a long comment and path
        --argc;
    }
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr,
                     "usage: tagshelf-gen-tree OUTDIR [COUNT] [--long]\n"
                     "Writes COUNT (default 10000) generated MP3 files in nested folders under\n"
                     "OUTDIR; the same COUNT always gives the same files. With --long, one file\n"
                     "in ten has a 200-character comment and a path of about 300 characters.\n");
        return argc == 2 ? 0 : 2;
    }
    if (argc == 3) {
        char* end = nullptr;
        unsigned long long n = std::strtoull(argv[2], &end, 10);
        if (!end || *end != '\0' || n == 0) {
            std::fprintf(stderr, "tagshelf-gen-tree: COUNT must be a positive number\n");
            return 2;
        }
        options.count = static_cast<std::size_t>(n);
    }
    try {
        TreeSummary summary = generateTree(argv[1], options);
        std::printf("%zu files, %.1f MB, in %s\n", summary.files.size(),
                    static_cast<double>(summary.totalBytes) / 1e6, argv[1]);
        for (std::size_t k = 0; k < kFileKindCount; ++k) {
            std::printf("  %-16s %zu\n", std::string(kindName(static_cast<FileKind>(k))).c_str(),
                        summary.perKind[k]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tagshelf-gen-tree: %s\n", e.what());
        return 1;
    }
    return 0;
}
