# The generated tree of MP3 files shared by the benchmarks: the library
# tagshelf_benchgen (bench/gen_tree.h) and the tool tagshelf-gen-tree OUTDIR [COUNT].
if(NOT TARGET tagshelf_benchgen)
    add_library(tagshelf_benchgen STATIC ${CMAKE_CURRENT_LIST_DIR}/gen_tree.cpp)
    target_include_directories(tagshelf_benchgen PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(tagshelf_benchgen PUBLIC tagshelf_id3 ZLIB::ZLIB)

    add_executable(tagshelf-gen-tree ${CMAKE_CURRENT_LIST_DIR}/gen_tree_main.cpp)
    target_link_libraries(tagshelf-gen-tree PRIVATE tagshelf_benchgen)
endif()
