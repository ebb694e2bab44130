// libFuzzer target: both readers from memory (texts UTF-8, flags in range), the file
// functions over a memfd copy and fncPrefetchTag after a first read of a length taken
// from the input must agree on a whole MP3 file. The sanitizers catch the rest.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "core/text.h"
#include "id3/reader.h"
#include "id3/reader_frames.h"
#include "id3/tag_prefetch.h"
#include "tests/id3/read_support.h"

namespace {

using namespace tagshelf;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "readers_fuzz: %s\n", what);
    std::abort();
}

void checkTexts(const Id3v1Tag& t) {
    for (const std::string* s : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Comment})
        if (!isValidUtf8(*s)) fail("ID3v1 text is not UTF-8");
    if (t.IsV11 != 0 && t.IsV11 != 1) fail("IsV11 out of range");
    if (t.Track < 0 || t.Track > 255 || (t.IsV11 == 0 && t.Track != 0)) fail("Track out of range");
}

void checkTexts(const Id3v2Tag& t, std::size_t inputSize) {
    for (const std::string* s : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Day, &t.CommentDesc,
                                 &t.Comment, &t.Track, &t.Genre}) {
        if (!isValidUtf8(*s)) fail("ID3v2 text is not UTF-8");
        // Text comes from the tag's bytes (or from at most 16 MiB inflated).
        if (s->size() > 3 * std::max<std::size_t>(inputSize, 16 * 1024 * 1024))
            fail("text too long");
    }
    if (t.Encode > 1) fail("Encode out of range");
}

struct MemoryFile {
    int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> file(data, size);
    std::span<const std::uint8_t> head = file.first(std::min<std::size_t>(size, 3));
    std::span<const std::uint8_t> tail =
        size >= 128 ? file.last(128) : std::span<const std::uint8_t>();
    const std::uint8_t family = tagTypeOf(head, tail, size);

    // The last 128 bytes; a shorter file reads as if zeros came before it.
    std::uint8_t trailer[128] = {};
    const std::size_t inTrailer = std::min<std::size_t>(size, 128);
    if (inTrailer) std::memcpy(trailer + 128 - inTrailer, data + size - inTrailer, inTrailer);
    const Id3v1Tag v1 = parseID3v1(trailer);
    const Id3v2Tag v2 = parseID3v2(file);
    checkTexts(v1);
    checkTexts(v2, size);

    // The bytes the readers look at, loaded after a first read of 24 bytes or more.
    if (size >= 24) {
        // As the reader walks: the declared size where the thread's buffer holds
        // it (a read past the file's end then stops the walk), else the file's.
        const std::size_t declared = 10 + synchsafe(file, 6);
        const std::size_t total =
            declared <= kPrefetchKeptBytes ? declared : std::min<std::size_t>(size, declared);
        const std::size_t firstLength =
            std::min({size, total, std::size_t{24} + data[size - 1] * 8u});
        const ReadAt read = [&](std::uint8_t* out, std::size_t length, std::uint64_t offset) {
            const std::size_t n = offset < size ? std::min<std::size_t>(length, size - offset) : 0;
            if (n) std::memcpy(out, data + offset, n);
            return Result<std::size_t>(n);
        };
        auto sparse = fncPrefetchTag(data, firstLength, total, read);
        if (!sparse) fail("fncPrefetchTag failed on memory");
        if (*sparse && !sameTag(parseID3v2(**sparse), v2))
            fail("a prefetched tag reads differently from the whole tag");
    }

    static MemoryFile memory;
    if (memory.fd < 0) fail("memfd_create failed");
    if (ftruncate(memory.fd, 0) != 0) fail("ftruncate failed");
    if (size && pwrite(memory.fd, data, size, 0) != static_cast<ssize_t>(size))
        fail("pwrite failed");

    Result<std::uint8_t> fileFamily = fncGetTagType(memory.path);
    if (!fileFamily || *fileFamily != family) fail("fncGetTagType differs from tagTypeOf");
    Result<Id3v1Tag> fileV1 = fncReadID3v1(memory.path);
    if (!fileV1 || !sameTag(*fileV1, v1)) fail("fncReadID3v1 differs from parseID3v1");
    Result<Id3v2Tag> fileV2 = fncReadID3v2(memory.path);
    if (!fileV2 || !sameTag(*fileV2, v2)) fail("fncReadID3v2 differs from parseID3v2");
    return 0;
}
