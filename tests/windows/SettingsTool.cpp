// Writes and reads the saver's settings through the Windows registry layer,
// for the registry test: "save COUNT" stores a ball count and a background
// picture with a Chinese name (the command line could not carry one: the C
// library reads it in the ANSI code page), "show" prints what LoadSettings
// reads, one per line, in UTF-8.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "settings/TBallSettings.h"

namespace {
constexpr char ChinesePicture[] = "C:\\照片\\西湖.jpg";
}

int main(int argc, char** argv)
{
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "save" && argc == 3) {
            TStoredSettings values;
            values.BallsCount = std::atoi(argv[2]);
            values.BackPic = ChinesePicture;
            SaveSettings(values);
            return 0;
        }
        if (command == "show") {
            LoadSettings();
            std::printf("BallsCount=%d\nSizeFactor=%.1f\nBackPicture=%s\n", BallSettings.BallsCount,
                        static_cast<double>(BallSettings.SizeFactor), BallSettings.BackPicture.c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "settings tool: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: settings-tool save COUNT | show\n");
    return 2;
}
