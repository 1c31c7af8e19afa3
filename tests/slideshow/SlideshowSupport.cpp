#include "SlideshowSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include "platform/EventLoop.h"
#include "render/TDIB.h"
#include "render/TMemoryStream.h"

namespace {

constexpr char StateVariable[] = "XDG_STATE_HOME";

}

TSlideshowFolder::TSlideshowFolder()
{
    static std::atomic<int> counter{0};
    Path = std::filesystem::temp_directory_path() /
           ("tessaly-slideshow-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(Path);
    if (const char* old = std::getenv(StateVariable))
        OldState = old;
    setenv(StateVariable, (Path / "state").c_str(), 1);
}

TSlideshowFolder::~TSlideshowFolder()
{
    if (OldState)
        setenv(StateVariable, OldState->c_str(), 1);
    else
        unsetenv(StateVariable);
    std::error_code error;
    std::filesystem::remove_all(Path, error);
}

std::optional<std::string> TSlideshowFolder::ErrorLogText() const
{
    std::ifstream file(ErrorLog(), std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void TSlideshowFolder::BlockStateFolder() const
{
    std::ofstream(Path / "state") << "not a folder";
}

std::string WritePicture(const TSlideshowFolder& folder, const std::string& name, int32_t width, int32_t height,
                         const std::function<uint32_t(int32_t x, int32_t y)>& colour)
{
    TDIB dib;
    dib.SetSize(width, height, 24);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            dib.SetColor(x, y, colour(x, y));
    TMemoryStream stream;
    dib.SaveToStream(stream);
    const std::string path = folder / name;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(stream.Bytes().data()), std::streamsize(stream.Size()));
    return path;
}

std::string WritePicture(const TSlideshowFolder& folder, const std::string& name, int32_t width, int32_t height,
                         uint32_t colour)
{
    return WritePicture(folder, name, width, height, [colour](int32_t, int32_t) { return colour; });
}

bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        if (!UiLoop().SyncCalls().RunPending())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

int ThreadCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

int SettledThreadCount(int expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int count = ThreadCount();
    while (count > expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = ThreadCount();
    }
    return count;
}

uint32_t FadedChannel(uint32_t from, uint32_t to, int steps)
{
    uint32_t value = from;
    for (int step = 1; step <= steps; ++step) {
        const uint32_t weight = 10 * step + 5;
        value = (weight * to + (256 - weight) * value) / 256;
    }
    return value;
}

uint32_t FadedColour(uint32_t from, uint32_t to, int steps)
{
    uint32_t colour = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        colour |= FadedChannel((from >> shift) & 0xFF, (to >> shift) & 0xFF, steps) << shift;
    return colour;
}
