# Tests of the tag writers, the file layer under them and applying an edit.
list(APPEND id3_test_sources
    writer_layout_test.cpp
    writer_files_test.cpp
    writer_failure_test.cpp
)
