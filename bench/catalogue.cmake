add_executable(tagshelf-bench-load ${CMAKE_CURRENT_LIST_DIR}/catalogue_load_bench.cpp)
target_link_libraries(tagshelf-bench-load PRIVATE tagshelf_app)
