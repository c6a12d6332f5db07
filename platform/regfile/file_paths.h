// Paths as the Linux programs write files: a file named through symbolic links is saved
// where the links lead, so the links themselves survive the save.
#pragma once
#include <string>

// The path a chain of symbolic links ends at (the path itself when it is no link); the
// end may not exist yet.
std::string FinalLinkTarget(std::string path);
// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);
