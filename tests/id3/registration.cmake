list(APPEND id3_test_sources
    ${CMAKE_CURRENT_LIST_DIR}/registration_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder_scan_test.cpp
)
