list(APPEND id3_sources registration.cpp folder_scan.cpp)
