// Whole-file reads and writes for tests that check what programs left on disk.
#pragma once
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder under /tmp for one test, and its removal, whatever the test left in it
// (read-only files and folders included).
inline std::string MakeScratchFolder(const std::string& name) {
    std::string pattern = "/tmp/glimmerhex-" + name + "-XXXXXX";
    return mkdtemp(pattern.data());
}
inline void RemoveScratchFolder(const std::string& path) {
    std::system(("chmod -R u+w " + path + "; rm -rf " + path).c_str());
}
