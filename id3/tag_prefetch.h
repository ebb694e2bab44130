// Reading an ID3v2 tag without the bodies of the frames the readers don't use.
//
// A tag with a picture is mostly picture, and reading the picture costs more than
// the rest of the tag together. The readers look only at the frame headers on
// their walk, the bytes that decide a version-4 frame's size, and the bodies of
// the frames that fill a field (fieldOf). fncPrefetchTag walks the frames as the
// readers do and loads just those bytes into a buffer of the tag's full length,
// the rest left 0. Loading more than the readers look at is harmless, so the walk
// goes on until the padding or the tag's end even where a reader stops earlier.
//
// The walk can be predicted only where a frame's position doesn't depend on the
// bytes before it: not in a version-2/3 tag stored unsynchronised (its zeros shift
// every position), nor past a frame identifier with a byte of 0x80 or above (the
// version rule may then change the identifier's length). There, when the walk
// would take more than a few dozen reads, and when a read comes up short (the
// file ends inside the tag), nothing is returned and the caller reads the whole
// tag, as far as the file holds it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/error.h"

namespace tagshelf {

// Reads up to `length` bytes at `offset`; fewer only at the end of the file.
using ReadAt =
    std::function<Result<std::size_t>(std::uint8_t* out, std::size_t length, std::uint64_t offset)>;

// A tag's bytes as fncPrefetchTag loads them: the tag's full length, every byte
// not loaded 0. They usually live in a buffer of zeros the thread keeps: a tag
// with a picture of a megabyte is then not zero-filled anew for every file, and
// the bytes loaded into the buffer are put back to 0 when the PrefetchedTag goes.
// The largest tag read into the buffer of zeros a thread keeps (see below).
inline constexpr std::size_t kPrefetchKeptBytes = 4 << 20;

class PrefetchedTag {
  public:
    explicit PrefetchedTag(std::size_t size);
    PrefetchedTag(PrefetchedTag&& other) noexcept;
    PrefetchedTag& operator=(PrefetchedTag&&) = delete;
    ~PrefetchedTag();

    std::uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }
    operator std::span<const std::uint8_t>() const { return {data_, size_}; }

    // Bytes [from, to) are being written: they are put back to 0 at the end.
    void loading(std::size_t from, std::size_t to) { loaded_.emplace_back(from, to); }
    // True when [from, to) lies within what was loaded.
    bool holds(std::size_t from, std::size_t to) const;

  private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool lent_ = false;  // the thread's buffer, else own_
    std::vector<std::uint8_t> own_;
    std::vector<std::pair<std::size_t, std::size_t>> loaded_;
};

// The tag of `total` bytes (header included) whose first `firstLength` bytes are
// `first`, with what the readers look at loaded through `read`; nothing when the
// walk can't be predicted or the file ends before `total`. Tags up to
// kPrefetchKeptBytes are not zero-filled for each file, so a caller may pass a
// tag's declared size up to that without asking the file's.
Result<std::optional<PrefetchedTag>> fncPrefetchTag(const std::uint8_t* first,
                                                    std::size_t firstLength, std::size_t total,
                                                    const ReadAt& read);

}  // namespace tagshelf
