// Paths as the Linux programs write files: a file named through symbolic links is saved
// where the links lead, so the links themselves survive the save.
#pragma once
#include <sys/stat.h>

#include <string>

// The path a chain of symbolic links ends at (the path itself when it is no link); the
// end may not exist yet.
std::string FinalLinkTarget(std::string path);
// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);
// Whether a file may be replaced by a new one: only the user's own, and not one they made
// read-only. A rename would pass over what a write to the file would be refused, and give
// another user's file a new owner.
bool MayReplace(const struct stat& info);
// Whether two stats show the same version of one file: the same file, its size and both of
// its times (a write moves the modification time; the change time moves even when someone
// then sets that one back).
bool SameFileVersion(const struct stat& a, const struct stat& b);
