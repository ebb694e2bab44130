// File names between Qt's texts and the file system's bytes. A name need not be
// valid UTF-8 (Shift-JIS bytes from an old disc, say); Qt's file system encoding
// (QFile::decodeName) shows such bytes as replacement characters, which cannot be
// turned back. These functions keep the bytes, or find them again, so that the
// catalogue stores the exact name of the file.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QMimeData;

namespace tagshelf {

// The bytes of the local path a Qt text names (a file dialog's answer): the
// text in the file system's encoding (QFile::encodeName) where that names
// something; a name of the path that does not is looked up among its folder's
// entries as Qt shows them, and taken when exactly one matches.
std::string localPathBytes(const QString& path);

// The local paths in dropped data, without trailing separators: the bytes of
// the URI list's percent-encoded paths exactly, or, without a URI list, the
// local URLs' paths found by localPathBytes.
std::vector<std::string> droppedPaths(const QMimeData& data);

// A path's bytes as a text to show (see pathForDisplay).
QString displayPath(std::string_view path);

}  // namespace tagshelf
