#include "platform/FileStream.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/RawFile.h"

namespace {

constexpr size_t BlockSize = 1 << 16;
// Blocks read ahead of the reader: enough to keep a decoder busy, little memory.
constexpr size_t BlocksAhead = 4;
// How often a waiting reader looks at its stop flag.
constexpr std::chrono::milliseconds StopPoll{20};
// How long a reader that goes away waits for the thread to notice: long
// enough for any read that is not stuck, short enough not to be felt.
constexpr std::chrono::milliseconds EndGrace{200};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}

struct TFileStream::TShared {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Opened = false;
    uint64_t Size = 0;
    std::deque<std::vector<uint8_t>> Blocks;
    bool AtEnd = false;
    std::string Error;
    bool Abandoned = false;
    bool Finished = false;
};

namespace {

void Fail(TFileStream::TShared& shared, const std::string& message)
{
    std::lock_guard guard(shared.Lock);
    shared.Error = message;
    shared.Changed.notify_all();
}

// The thread's body. It holds its own share of the state, so a reader that
// gave up and went away leaves nothing behind for it to trip over.
void ReadFile(TFileStream::TShared& shared, const std::string& path);

void ReadAhead(std::shared_ptr<TFileStream::TShared> shared, std::string path)
{
    ReadFile(*shared, path);
    std::lock_guard guard(shared->Lock);
    shared->Finished = true;
    shared->Changed.notify_all();
}

void ReadFile(TFileStream::TShared& sharedState, const std::string& path)
{
    TFileStream::TShared* shared = &sharedState;
    intptr_t file = 0;
    uint64_t size = 0;
    std::string problem;
    if (!OpenRegularFile(path, file, size, problem)) {
        Fail(*shared, "Cannot open file " + Quoted(path) + ". " + problem);
        return;
    }
    {
        std::lock_guard guard(shared->Lock);
        shared->Opened = true;
        shared->Size = size;
        shared->Changed.notify_all();
    }
    for (;;) {
        {
            std::unique_lock guard(shared->Lock);
            shared->Changed.wait(guard, [&] { return shared->Abandoned || shared->Blocks.size() < BlocksAhead; });
            if (shared->Abandoned)
                break;
        }
        std::vector<uint8_t> block(BlockSize);
        const int64_t got = ReadRegularFile(file, block.data(), block.size(), problem);
        if (got < 0) {
            Fail(*shared, "Cannot read file " + Quoted(path) + ". " + problem);
            break;
        }
        std::lock_guard guard(shared->Lock);
        if (got == 0) {
            shared->AtEnd = true;
            shared->Changed.notify_all();
            break;
        }
        block.resize(static_cast<size_t>(got));
        shared->Blocks.push_back(std::move(block));
        shared->Changed.notify_all();
    }
    CloseRegularFile(file);
}

}

TFileStream::TFileStream(const std::string& path, const std::atomic<bool>* stop, std::chrono::milliseconds stallLimit)
    : path_(path), stop_(stop), stallLimit_(stallLimit), shared_(std::make_shared<TShared>())
{
    thread_ = std::thread(ReadAhead, shared_, path_);
}

TFileStream::~TFileStream()
{
    bool finished;
    {
        std::unique_lock guard(shared_->Lock);
        shared_->Abandoned = true;
        shared_->Changed.notify_all();
        finished = shared_->Changed.wait_for(guard, EndGrace, [this] { return shared_->Finished; });
    }
    if (finished)
        thread_.join();
    else
        thread_.detach();   // stuck in the file system; it ends when the call returns
}

void TFileStream::WaitFor(bool (*ready)(const TShared&))
{
    TShared& shared = *shared_;
    const auto deadline = std::chrono::steady_clock::now() + stallLimit_;
    std::unique_lock guard(shared.Lock);
    while (!ready(shared) && shared.Error.empty()) {
        if (stop_ && stop_->load())
            throw EFileStreamStopped("Reading " + Quoted(path_) + " was stopped");
        if (std::chrono::steady_clock::now() >= deadline)
            throw EFileStreamError("Cannot read file " + Quoted(path_) + ". It did not answer for " +
                                   std::to_string(stallLimit_.count() / 1000) + " seconds");
        shared.Changed.wait_for(guard, StopPoll);
    }
    if (!shared.Error.empty() && !ready(shared))
        throw EFileStreamError(shared.Error);
}

uint64_t TFileStream::Size()
{
    WaitFor([](const TShared& shared) { return shared.Opened; });
    std::lock_guard guard(shared_->Lock);
    return shared_->Size;
}

size_t TFileStream::Read(uint8_t* buffer, size_t size)
{
    if (size == 0)
        return 0;
    WaitFor([](const TShared& shared) { return !shared.Blocks.empty() || shared.AtEnd; });
    std::lock_guard guard(shared_->Lock);
    if (shared_->Blocks.empty())
        return 0;
    std::vector<uint8_t>& block = shared_->Blocks.front();
    const size_t taken = std::min(size, block.size());
    std::memcpy(buffer, block.data(), taken);
    if (taken == block.size())
        shared_->Blocks.pop_front();
    else
        block.erase(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(taken));
    shared_->Changed.notify_all();
    return taken;
}
