# Tests of tag detection, the readers and the code page layer.
list(APPEND id3_test_sources
    reader_id3v1_test.cpp
    reader_id3v2_test.cpp
    codepage_test.cpp
)
