# The tag writers, the file layer they write through, and applying an edit.
list(APPEND id3_sources
    apply_edit.cpp
    edit_fields.cpp
    file_ops.cpp
    file_replace.cpp
    genre_list.cpp
    writer.cpp
    writer_id3v2.cpp
    writer_numbers.cpp
)
