#include "settings/TBallSettings.h"

#include <algorithm>

#include "platform/Registry.h"
#include "settings/ListText.h"

TBallSettings BallSettings;

namespace {

constexpr const char* SettingsKey = "software\\Tessaly";
constexpr int32_t BackTypeSlideshow = 3;
constexpr int32_t BackTypeBuiltIn = 1;
constexpr int32_t BallsCountLimit = 100;    // the capacity of the bubble table
constexpr double BallSizeUnit = 10.0;       // "BallSize" is stored in tenths
constexpr int32_t SphereStyleSize = 100;
constexpr int32_t HeartStyleSize = 80;
constexpr int32_t GlassStyleSize = 140;

}

void LoadSettings()
{
    TBallSettings& settings = BallSettings;
    // Both lists exist from here on, also when a bad value stops the load.
    settings.BackPicList = std::make_unique<TStringList>();
    settings.BallPicList = std::make_unique<TStringList>();

    // A key that cannot be opened is no error: every value then reads as
    // absent and the fields keep their initial values. A missing key is not
    // created here: reading the settings never writes the file, which the
    // user may keep by hand or as a link; the first save creates it.
    TRegistry registry(TRootKey::rkLocalMachine);
    registry.OpenKey(SettingsKey, false);

    if (registry.ValueExists("BackType"))
        settings.BackType = registry.ReadInteger("BackType");
    settings.BackPicture = registry.ReadString("BackPic");
    *settings.BackPicList = ReadLineText(settings.BackPicture);
    if (settings.BackType == BackTypeSlideshow) {
        if (settings.BackPicList->empty())
            settings.BackType = BackTypeBuiltIn;
        else
            settings.BackPicture = settings.BackPicList->front();
    }
    *settings.BallPicList = ReadCommaText(registry.ReadString("BallPic"));

    if (registry.ValueExists("ShowShadow"))
        settings.ShowShadow = registry.ReadBool("ShowShadow");
    if (registry.ValueExists("SoundOpen"))
        settings.SoundOpen = registry.ReadBool("SoundOpen");
    if (registry.ValueExists("SoundType"))
        settings.SoundType = registry.ReadInteger("SoundType");
    settings.SizeFactor = registry.ValueExists("BallSize")
        ? static_cast<float>(registry.ReadInteger("BallSize") / BallSizeUnit)
        : 1.0f;
    if (registry.ValueExists("UseMask"))
        settings.UseMask = registry.ReadInteger("UseMask");
    if (registry.ValueExists("BubbleStyle"))
        settings.BubbleStyle = registry.ReadInteger("BubbleStyle");
    switch (settings.BubbleStyle) {
    case 0: settings.StyleSize = SphereStyleSize; break;
    case 1: settings.StyleSize = HeartStyleSize; break;
    case 2: settings.StyleSize = GlassStyleSize; break;
    default: break;     // no style of that number: the size stays as it was
    }
    settings.Driver = registry.ReadString("Driver");
    // Only a hand-edited registry holds a count outside what the bubble
    // table can take.
    if (registry.ValueExists("BallsCount"))
        settings.BallsCount = std::clamp(registry.ReadInteger("BallsCount"), 0, BallsCountLimit);
    if (registry.ValueExists("RandomPlay"))
        settings.RandomPlay = registry.ReadBool("RandomPlay");
    if (registry.ValueExists("BackInterval"))
        settings.BackInterval = registry.ReadInteger("BackInterval");
    registry.CloseKey();
}

void SaveSettings(const TStoredSettings& values)
{
    TRegistry registry(TRootKey::rkLocalMachine);
    registry.CreateKey(SettingsKey);
    // The key can vanish or be spoilt between the two steps; writing nothing
    // must not pass for a successful save.
    if (!registry.OpenKey(SettingsKey, true))
        throw ERegistryException::CreateKeyFailed(SettingsKey);
    if (values.Driver)
        registry.WriteString("Driver", *values.Driver);
    registry.WriteInteger("BallsCount", values.BallsCount);
    registry.WriteInteger("BallSize", values.BallSize);
    registry.WriteBool("ShowShadow", values.ShowShadow);
    registry.WriteBool("SoundOpen", values.SoundOpen);
    registry.WriteString("BackPic", values.BackPic);
    registry.WriteInteger("BackType", values.BackType);
    registry.WriteString("BallPic", values.BallPic);
    registry.WriteInteger("UseMask", values.UseMask);
    registry.WriteInteger("BubbleStyle", values.BubbleStyle);
    registry.WriteInteger("SoundType", values.SoundType);
    registry.WriteBool("RandomPlay", values.RandomPlay);
    registry.WriteInteger("BackInterval", values.BackInterval);
    registry.CloseKey();
}
