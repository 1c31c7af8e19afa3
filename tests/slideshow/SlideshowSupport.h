#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// A folder of its own for one test, removed afterwards, with the state folder
// (where error.txt goes) pointed inside it for the test's duration.
class TSlideshowFolder {
public:
    TSlideshowFolder();
    ~TSlideshowFolder();
    TSlideshowFolder(const TSlideshowFolder&) = delete;
    TSlideshowFolder& operator=(const TSlideshowFolder&) = delete;

    std::string operator/(const std::string& name) const { return (Path / name).string(); }
    std::filesystem::path ErrorLog() const { return Path / "state" / "tessaly" / "error.txt"; }
    // The log's content; none when there is no log.
    std::optional<std::string> ErrorLogText() const;
    // Makes the state folder unusable: a plain file stands where it would go.
    void BlockStateFolder() const;

    std::filesystem::path Path;

private:
    std::optional<std::string> OldState;
};

// Writes a 24-bit bitmap file of width × height whose pixels are colour(x, y)
// as 0xRRGGBB, rows counted from the top; answers its path.
std::string WritePicture(const TSlideshowFolder& folder, const std::string& name, int32_t width, int32_t height,
                         const std::function<uint32_t(int32_t x, int32_t y)>& colour);
std::string WritePicture(const TSlideshowFolder& folder, const std::string& name, int32_t width, int32_t height,
                         uint32_t colour);

// Runs the user-interface loop's synchronous calls until `done` answers true
// or the limit has passed; whether it did.
bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

// Threads of this process.
int ThreadCount();
// Threads of this process once those already joined have left: the kernel
// clears a thread's id, which ends its join, a moment before it takes the
// thread out of /proc. Waits up to two seconds for the count to fall to
// `expected`; a thread truly left running keeps it above.
int SettledThreadCount(int expected);

// One colour channel of 0xRRGGBB after `steps` fade steps from `from` to `to`.
uint32_t FadedChannel(uint32_t from, uint32_t to, int steps);
// The same for all three channels.
uint32_t FadedColour(uint32_t from, uint32_t to, int steps);
