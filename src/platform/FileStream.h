#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#ifdef _WIN32
#include <memory>
#include <thread>
#else
#include <sys/types.h>
#endif

// A file that cannot be read; what() names the file and the reason.
class EFileStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reading was given up because its owner asked to stop.
class EFileStreamStopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one regular file from start to end without ever making its reader
// wait for the file system longer than it chooses to. A FIFO, a device or a
// folder is refused without being opened for good (opening a FIFO would wait
// for a writer).
//
// A read from a share that stopped answering cannot be interrupted, not even
// by SIGKILL, and a process holding a thread in one cannot end. So the file
// is opened and read by a small child process that hands the bytes over a
// pipe: the reader waits on the pipe with a limit and can always leave; a
// child stuck in the file system holds nothing of ours (every other
// descriptor is closed in it) and is left to finish its call alone.
class TFileStream {
public:
    // Longest wait for data before the file counts as not answering.
    static constexpr std::chrono::milliseconds DefaultStallLimit{5000};

    // Starts opening the file. `stop`, when given, is watched while waiting:
    // once it is true, Read throws EFileStreamStopped.
    explicit TFileStream(const std::string& path, const std::atomic<bool>* stop = nullptr,
                         std::chrono::milliseconds stallLimit = DefaultStallLimit);
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Up to `size` bytes into `buffer`; 0 only at the end of the file.
    size_t Read(uint8_t* buffer, size_t size);
    // The file's size in bytes, as it was when opened.
    uint64_t Size();
    const std::string& Path() const { return path_; }

private:
#ifdef _WIN32
    // Windows has no child process as cheap as a fork: there a thread of its
    // own opens and reads a little ahead, and is left to finish a blocked call
    // by itself when the reader gives up. It owns everything it touches.
public:
    struct TShared;

private:
    void WaitFor(bool (*ready)(const TShared&));

    std::string path_;
    const std::atomic<bool>* stop_;
    std::chrono::milliseconds stallLimit_;
    std::shared_ptr<TShared> shared_;
    std::thread thread_;
#else
    // What the pipe holds, up to `size` bytes (all of them when `whole`,
    // unless it ends first); how many.
    size_t ReadPipe(uint8_t* buffer, size_t size, bool whole);
    void ReadHeader();
    [[noreturn]] void FailRead(int error);

    std::string path_;
    const std::atomic<bool>* stop_;
    std::chrono::milliseconds stallLimit_;
    pid_t child_ = -1;
    int pipe_ = -1;
    bool headerRead_ = false;
    uint64_t size_ = 0;
    uint64_t received_ = 0;
    bool ended_ = false;
#endif
};
