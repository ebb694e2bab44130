# Tag-reading benchmark: tagshelf-bench-read TREE [REPEATS] reports files/s for
# detection plus reading with the program's readers, and for the smallest possible
# reader as the limit. Make the tree first with tagshelf-gen-tree TREE (or let the
# benchmark write it into an empty folder).
include(${CMAKE_CURRENT_LIST_DIR}/gen_tree.cmake)
add_executable(tagshelf-bench-read ${CMAKE_CURRENT_LIST_DIR}/read_bench.cpp)
target_link_libraries(tagshelf-bench-read PRIVATE tagshelf_benchgen tagshelf_id3)
