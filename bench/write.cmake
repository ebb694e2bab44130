# Tag-writing benchmark: tagshelf-bench-write [FOLDER] [MEGABYTES] [REPEATS] times
# rewriting the tag of a large file (ID3v2.3 to ID3v2.3, and ID3v2.3 to ID3v1)
# against copying the same file with cp and flushing the copy with sync.
add_executable(tagshelf-bench-write ${CMAKE_CURRENT_LIST_DIR}/write_bench.cpp)
target_link_libraries(tagshelf-bench-write PRIVATE tagshelf_id3)
