// Preparing ten picture slots from large photographs: decoding dominates, so
// this measures how well the slots share the cores. Peak memory is best read
// from outside (for example /usr/bin/time -v).
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "pictures/JpegDecode.h"
#include "pictures/PictureFile.h"
#include "pictures/PrepareTextures.h"

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr int Slots = 10;

uint32_t Noise(uint32_t x, uint32_t y)
{
    uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (h ^ (h >> 16)) & 0x1F;
}

// A photograph-like picture: broad colour gradients with fine grain, so that
// it compresses and decodes like a camera picture rather than a flat one.
void WritePhoto(const std::string& path, int seed)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = PhotoWidth;
    info.image_height = PhotoHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(PhotoWidth) * 3);
    for (int y = 0; y < PhotoHeight; ++y) {
        for (int x = 0; x < PhotoWidth; ++x) {
            uint32_t grain = Noise(uint32_t(x), uint32_t(y + seed));
            row[3 * size_t(x)] = uint8_t(x * 200 / PhotoWidth + grain);
            row[3 * size_t(x) + 1] = uint8_t(y * 200 / PhotoHeight + grain);
            row[3 * size_t(x) + 2] = uint8_t(((x + y) / 40 % 2) * 60 + 100 + grain);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

// The photographs, made once per run in a folder of their own.
class TPhotoFolder {
public:
    TPhotoFolder()
    {
        folder_ = std::filesystem::temp_directory_path() / ("tessaly-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::string first = (folder_ / "photo1.jpg").string();
        WritePhoto(first, 1);
        files_.push_back(first);
        for (int i = 2; i <= Slots; ++i) {
            std::string name = (folder_ / ("photo" + std::to_string(i) + ".jpg")).string();
            std::filesystem::copy_file(first, name);
            files_.push_back(name);
        }
    }
    ~TPhotoFolder() { std::filesystem::remove_all(folder_); }

    const std::vector<std::string>& Files() const { return files_; }

private:
    std::filesystem::path folder_;
    std::vector<std::string> files_;
};

// CPU seconds of the whole process, all threads, so that a loaded machine
// still shows what the work costs.
double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

const TPhotoFolder& Photos()
{
    static TPhotoFolder photos;
    return photos;
}

void BM_PrepareTenPhotoSlots(benchmark::State& state)
{
    TBallSettings settings;
    settings.BallPicList = std::make_unique<TStringList>(Photos().Files());
    settings.UseMask = int32_t(state.range(0));
    double cpu = 0;
    for (auto _ : state) {
        double start = ProcessCpuSeconds();
        TScenePictures scene;
        PreparePictures(scene, settings, nullptr);
        benchmark::DoNotOptimize(scene.PictureDIBs[Slots].get());
        cpu += ProcessCpuSeconds() - start;
    }
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PrepareTenPhotoSlots)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_DecodeOnePhoto(benchmark::State& state)
{
    std::vector<uint8_t> bytes = ReadPictureFileBytes(Photos().Files().front());
    for (auto _ : state) {
        TDIB dib = DecodeJpeg(bytes);
        benchmark::DoNotOptimize(dib.Bits());
    }
}
BENCHMARK(BM_DecodeOnePhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}

BENCHMARK_MAIN();
