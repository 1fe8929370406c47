#pragma once

#include <string>
#include <string_view>

namespace varnelo {

/// The extension of a path's file name: from the last "." after the last
/// "/" to the end, dot included; empty when the file name has no dot. A dot
/// in a folder name never counts, so swapping the extension cannot move a
/// file into another folder.
std::string_view fileExtension(std::string_view path);

/// The name of a new output file beside basePath: basePath with its
/// extension replaced by extension (which includes its dot). When anything
/// of that name exists, a file, a folder or a link, a number is put before
/// the extension: name1, name2, ..., the first that names nothing. A name
/// longer than a file system takes (255 bytes) loses the end of its stem.
std::string uniqueOutputName(const std::string& basePath, const std::string& extension);

} // namespace varnelo
