#include "platform/RawFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool OpenRegularFile(const std::string& path, intptr_t& handle, uint64_t& size, std::string& problem)
{
    // Without O_NONBLOCK opening a FIFO waits for a writer; a regular file
    // ignores the flag.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        problem = std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(file);
        problem = "It is not a regular file";
        return false;
    }
    fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
    handle = file;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

int64_t ReadRegularFile(intptr_t handle, uint8_t* buffer, size_t size, std::string& problem)
{
    for (;;) {
        const ssize_t got = read(static_cast<int>(handle), buffer, size);
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            problem = std::strerror(errno);
            return -1;
        }
    }
}

void CloseRegularFile(intptr_t handle) { close(static_cast<int>(handle)); }
