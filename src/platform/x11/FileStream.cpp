#include "platform/FileStream.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr size_t ChildBlock = 1 << 16;
// How often a waiting reader looks at its stop flag.
constexpr int StopPollMs = 20;
// What the child reports first: 0 or the errno of the open, and the size.
struct THeader {
    int64_t Error;
    int64_t Size;
};
constexpr int64_t NotRegular = -1;
// The descriptor the child writes to; every higher one is closed in it.
constexpr int ChildPipe = 3;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Children that were left stuck in the file system, reaped once they end.
std::mutex LeftLock;
std::vector<pid_t> LeftChildren;

void ReapLeftChildren()
{
    std::lock_guard guard(LeftLock);
    std::erase_if(LeftChildren, [](pid_t child) { return waitpid(child, nullptr, WNOHANG) != 0; });
}

bool WriteAll(int fd, const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= size_t(written);
    }
    return true;
}

// The child's whole life: only calls that are safe after fork in a process
// with threads, no allocation. The exit status is 0 or the errno of a read.
[[noreturn]] void ChildMain(const char* path)
{
    THeader header{0, 0};
    // Without O_NONBLOCK opening a FIFO waits for a writer; a regular file
    // ignores the flag.
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (file < 0)
        header.Error = errno;
    else if (fstat(file, &status) != 0)
        header.Error = errno;
    else if (!S_ISREG(status.st_mode))
        header.Error = NotRegular;
    else
        header.Size = status.st_size;
    if (!WriteAll(ChildPipe, &header, sizeof header) || header.Error != 0)
        _exit(0);
    fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
    static uint8_t block[ChildBlock];
    for (;;) {
        const ssize_t got = read(file, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            _exit(errno & 0xFF ? errno & 0xFF : 1);
        if (got == 0 || !WriteAll(ChildPipe, block, size_t(got)))
            _exit(0);
    }
}

}

TFileStream::TFileStream(const std::string& path, const std::atomic<bool>* stop, std::chrono::milliseconds stallLimit)
    : path_(path), stop_(stop), stallLimit_(stallLimit)
{
    ReapLeftChildren();
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw EFileStreamError("Cannot open file " + Quoted(path_) + ". " + std::strerror(errno));
    const pid_t child = fork();
    if (child == 0) {
        // A child stuck in a read must not keep our display connection or
        // any other descriptor alive.
        if (dup2(ends[1], ChildPipe) < 0)
            _exit(1);
        close_range(ChildPipe + 1, ~0u, 0);
        ChildMain(path_.c_str());
    }
    const int error = errno;
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        throw EFileStreamError("Cannot open file " + Quoted(path_) + ". " + std::strerror(error));
    }
    child_ = child;
    pipe_ = ends[0];
}

TFileStream::~TFileStream()
{
    close(pipe_);
    if (child_ <= 0)
        return;   // reaped already
    // A child that is only writing ends at once; one stuck in the file system
    // ends when its call returns and is reaped then (or by init after us).
    kill(child_, SIGKILL);
    if (waitpid(child_, nullptr, WNOHANG) == 0) {
        std::lock_guard guard(LeftLock);
        LeftChildren.push_back(child_);
    }
}

size_t TFileStream::ReadPipe(uint8_t* buffer, size_t size, bool whole)
{
    size_t have = 0;
    auto deadline = std::chrono::steady_clock::now() + stallLimit_;
    while (have < size) {
        if (stop_ && stop_->load())
            throw EFileStreamStopped("Reading " + Quoted(path_) + " was stopped");
        pollfd ready{pipe_, POLLIN, 0};
        const int polled = poll(&ready, 1, StopPollMs);
        if (polled < 0 && errno != EINTR)
            throw EFileStreamError("Cannot read file " + Quoted(path_) + ". " + std::strerror(errno));
        if (polled <= 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                throw EFileStreamError("Cannot read file " + Quoted(path_) + ". It did not answer for " +
                                       std::to_string(stallLimit_.count() / 1000) + " seconds");
            continue;
        }
        const ssize_t got = read(pipe_, buffer + have, size - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EFileStreamError("Cannot read file " + Quoted(path_) + ". " + std::strerror(errno));
        if (got == 0)
            break;
        have += size_t(got);
        if (!whole)
            break;
        deadline = std::chrono::steady_clock::now() + stallLimit_;
    }
    return have;
}

void TFileStream::FailRead(int error)
{
    throw EFileStreamError("Cannot read file " + Quoted(path_) + ". " + std::strerror(error));
}

void TFileStream::ReadHeader()
{
    if (headerRead_)
        return;
    THeader header{};
    if (ReadPipe(reinterpret_cast<uint8_t*>(&header), sizeof header, true) != sizeof header)
        throw EFileStreamError("Cannot open file " + Quoted(path_) + ". The reading process failed");
    headerRead_ = true;
    if (header.Error == NotRegular)
        throw EFileStreamError("Cannot open file " + Quoted(path_) + ". It is not a regular file");
    if (header.Error != 0)
        throw EFileStreamError("Cannot open file " + Quoted(path_) + ". " + std::strerror(int(header.Error)));
    size_ = uint64_t(header.Size);
}

uint64_t TFileStream::Size()
{
    ReadHeader();
    return size_;
}

size_t TFileStream::Read(uint8_t* buffer, size_t size)
{
    ReadHeader();
    if (size == 0 || ended_)
        return 0;
    const size_t got = ReadPipe(buffer, size, false);
    received_ += got;
    if (got == 0) {
        ended_ = true;
        // The child's verdict: did the file end, or did a read fail?
        int status = 0;
        if (waitpid(child_, &status, 0) == child_) {
            child_ = -1;
            if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
                FailRead(WEXITSTATUS(status));
        }
    }
    return got;
}
