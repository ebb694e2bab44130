# Tag detection and the ID3v1/ID3v1.1 and ID3v2.2/ID3v2.3 readers.
list(APPEND id3_sources reader.cpp reader_detail.cpp)
