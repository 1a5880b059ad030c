// Files and folders: the current directory, listing a folder by a name
// pattern, removing and renaming files.
#pragma once

#include <string>
#include <vector>

namespace kj::platform {

bool change_directory(const std::string& path);
// Absolute, without a trailing separator except for the root; "" on failure.
std::string current_directory();

enum class EntryKind { Files, Folders };
// Names (without the folder) of the entries that match pattern, a path whose
// last component may hold the wildcards * and ?; sorted in byte order.
// "." and ".." are never listed.
std::vector<std::string> list_entries(const std::string& pattern, EntryKind kind);

// Removes a file (never a folder).
bool remove_file(const std::string& path);
// Renames without replacing an existing target.
bool rename_file(const std::string& from, const std::string& to);

}  // namespace kj::platform
