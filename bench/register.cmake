# Registration benchmark: tagshelf-bench-register TREE [REPEATS].
include(${CMAKE_CURRENT_LIST_DIR}/gen_tree.cmake)
add_executable(tagshelf-bench-register ${CMAKE_CURRENT_LIST_DIR}/register_bench.cpp)
target_link_libraries(tagshelf-bench-register PRIVATE tagshelf_benchgen tagshelf_id3)
