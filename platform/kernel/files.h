// File-system queries and temporary files of the platform layer.
#pragma once

#include <string>

namespace platform {

// The system temporary folder, with a trailing "/" ($TMPDIR, else /tmp); "" when neither exists.
std::string GetTempFolder();

// Creates a new, empty file "<folder>/<prefix><hhhh>.tmp" whose hexadecimal number is free,
// using the first three characters of prefix. Returns its path, or "" when none can be made.
std::string MakeUniqueTempFile(const std::string& folder, const std::string& prefix);

// The folder that holds the shared object which contains `address` ("" when unknown).
std::string ModuleFolderOf(const void* address);

// The folder part of a path: what comes before its last "/", "/" for a file in the root, and ""
// for a bare name (the current folder).
std::string FolderOf(const std::string& path);

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);  // a regular file (or anything that is not a folder)
// Deletes a file if there is one; returns false only when an existing file stays.
bool RemoveFileIfExists(const std::string& path);

}  // namespace platform
