#include "platform/regfile/file_paths.h"

#include <limits.h>
#include <unistd.h>

namespace {
constexpr int MostLinks = 40; // as many as the kernel follows before it gives up
}

std::string FinalLinkTarget(std::string path) {
    for (int hop = 0; hop < MostLinks; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) break;
        // A relative link is read from the folder that holds it.
        const std::string next(target, static_cast<size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MayReplace(const struct stat& info) {
    return info.st_uid == geteuid() && (info.st_mode & S_IWUSR) != 0;
}

bool SameFileVersion(const struct stat& a, const struct stat& b) {
    const auto same = [](const timespec& x, const timespec& y) {
        return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
    };
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           same(a.st_mtim, b.st_mtim) && same(a.st_ctim, b.st_ctim);
}
