#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// The process-wide settings record: filled once by LoadSettings, read-only
// afterwards. Fields in the order LoadSettings fills them.
struct TBallSettings {
    int32_t BackType = 1;           // 1 built-in picture, 2 desktop capture, 3 user slideshow
    std::string BackPicture;
    std::unique_ptr<TStringList> BackPicList;   // created by LoadSettings, released by its owner
    std::unique_ptr<TStringList> BallPicList;
    bool ShowShadow = true;
    bool SoundOpen = true;
    int32_t SoundType = 4;          // General MIDI program
    float SizeFactor = 1.0f;        // stored "BallSize" / 10
    int32_t UseMask = 0;
    int32_t BubbleStyle = 0;        // 0 sphere, 1 heart, 2 glass frame
    int32_t StyleSize = 0;
    std::string Driver;
    int32_t BallsCount = 10;
    bool RandomPlay = true;
    int32_t BackInterval = 10;      // seconds
};

extern TBallSettings BallSettings;

// Fills BallSettings from the registry key HKEY_LOCAL_MACHINE\software\Tessaly.
void LoadSettings();

// What SaveSettings writes: the stored content of every value, built by the
// settings dialog from its controls.
struct TStoredSettings {
    int32_t BallsCount = 10;
    int32_t BallSize = 10;          // tenths
    bool ShowShadow = true;
    bool SoundOpen = true;
    std::string BackPic;            // line text
    int32_t BackType = 1;
    std::string BallPic;            // comma text
    int32_t UseMask = 0;
    int32_t BubbleStyle = 0;
    int32_t SoundType = 4;
    bool RandomPlay = true;
    int32_t BackInterval = 10;
    std::optional<std::string> Driver;   // written only when given
};

// Writes every value; registry failures are thrown as exceptions derived from
// std::runtime_error whose what() is the registry's message text.
void SaveSettings(const TStoredSettings& values);
