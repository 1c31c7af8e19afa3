#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

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
// wait for the file system longer than it chooses to. Opening and reading run
// on a thread of their own that reads a little ahead; a FIFO, a device or a
// folder is refused without being opened for good (opening a FIFO would wait
// for a writer), and a file on a share that stopped answering costs its
// reader the stall limit at most. When the reader gives up, the thread is left
// to finish its one blocked call by itself: it owns everything it touches, so
// it never reaches into freed memory, and it ends as soon as the call returns.
class TFileStream {
public:
    // Longest wait for one block before the file counts as not answering.
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

    struct TShared;

private:
    void WaitFor(bool (*ready)(const TShared&));

    std::string path_;
    const std::atomic<bool>* stop_;
    std::chrono::milliseconds stallLimit_;
    std::shared_ptr<TShared> shared_;
    std::thread thread_;
};
