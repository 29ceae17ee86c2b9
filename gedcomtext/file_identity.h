// file_identity.h - telling whether two path names lead to the same file on disk.
#pragma once

#include <string>  // std::string

namespace gedtext {

/// True when both names exist and name one file (same device and inode), whatever their
/// spelling: ./a.ged and a.ged, an absolute path, a symbolic or a hard link.
bool NameSameExistingFile(const std::string& first, const std::string& second);

/// True when path names an existing directory.
bool IsDirectory(const std::string& path);

}  // namespace gedtext
