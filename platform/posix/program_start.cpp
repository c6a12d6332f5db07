#include "platform/posix/program_start.h"

#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "glimmerhex_version.h"

void HoldStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
}

bool AnswerVersionOrHelp(int argc, char** argv, const char* usage, const char* helpAlias) {
    if (argc != 2) return false;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("Glimmerhex " GLIMMERHEX_VERSION);
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0 ||
        (helpAlias != nullptr && std::strcmp(argv[1], helpAlias) == 0)) {
        std::fputs(usage, stdout);
        return true;
    }
    return false;
}
