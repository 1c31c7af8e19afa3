#include "settings/BallParaRules.h"

#include <algorithm>
#include <cmath>

#include "settings/ListText.h"

namespace {

constexpr int kScrollMargin = 50;   // room after the widest path so its end is readable

int SelectedBackTag(int backType)
{
    // A kind outside the three buttons leaves the design's choice, the built-in picture.
    switch (backType) {
    case kTagDesktopBack:
    case kTagUserBack:
        return backType;
    default:
        return kTagDefaultBack;
    }
}

int SliderPosition(float sizeFactor)
{
    const double tenths = static_cast<double>(sizeFactor) * 10.0;
    if (std::isnan(tenths))
        return kBallSizeMin;
    // The slider keeps its position inside its own range.
    const double clamped = std::clamp(tenths, double(kBallSizeMin), double(kBallSizeMax));
    return static_cast<int>(std::nearbyint(clamped));   // halves to even
}

} // namespace

int ClampToRange(long long value, int low, int high)
{
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

int StepValue(int value, int delta, int low, int high)
{
    return ClampToRange(static_cast<long long>(value) + delta, low, high);
}

int ItemIndexOrNone(int index, int itemCount)
{
    return index >= 0 && index < itemCount ? index : kNoSelection;
}

TBallParaValues ValuesFromSettings(const TBallSettings& settings)
{
    TBallParaValues values;
    values.BackTag = SelectedBackTag(settings.BackType);
    if (settings.BackPicList)
        values.BackPics = *settings.BackPicList;
    if (settings.BallPicList)
        values.BallPics = ReadCommaText(WriteCommaText(*settings.BallPicList));
    values.BallsCount = ClampToRange(settings.BallsCount, kBallsCountMin, kBallsCountMax);
    values.ShowShadow = settings.ShowShadow;
    values.SoundOpen = settings.SoundOpen;
    values.BallSize = SliderPosition(settings.SizeFactor);
    values.Driver = settings.Driver == kDriverGdiPlus ? kDriverGdiPlus : kDriverDirectX;
    values.DriverChanged = false;
    values.UseMask = ItemIndexOrNone(settings.UseMask, kMaskItems);
    values.BubbleStyle = ItemIndexOrNone(settings.BubbleStyle, kBubbleStyleItems);
    values.SoundType = ItemIndexOrNone(settings.SoundType, kSoundTypeItems);
    values.RandomPlay = settings.RandomPlay;
    values.BackInterval = ClampToRange(settings.BackInterval, kBackIntervalMin, kBackIntervalMax);
    return values;
}

std::string_view TrimControlChars(std::string_view text)
{
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isControl(text.back()))
        text.remove_suffix(1);
    return text;
}

int BackTypeToSave(int backTag, const TStringList& backPics)
{
    if (backTag == kTagDefaultBack)
        return kTagDefaultBack;
    if (backTag == kTagDesktopBack)
        return kTagDesktopBack;
    return TrimControlChars(WriteLineText(backPics)).empty() ? kTagDefaultBack : kTagUserBack;
}

TStoredSettings StoredFromValues(const TBallParaValues& values)
{
    TStoredSettings stored;
    if (values.DriverChanged)
        stored.Driver = values.Driver;
    stored.BallsCount = values.BallsCount;
    stored.BallSize = values.BallSize;
    stored.ShowShadow = values.ShowShadow;
    stored.SoundOpen = values.SoundOpen;
    stored.BackPic = WriteLineText(values.BackPics);
    stored.BackType = BackTypeToSave(values.BackTag, values.BackPics);
    stored.BallPic = WriteCommaText(values.BallPics);
    stored.UseMask = values.UseMask;
    stored.BubbleStyle = values.BubbleStyle;
    stored.SoundType = values.SoundType;
    stored.RandomPlay = values.RandomPlay;
    stored.BackInterval = values.BackInterval;
    return stored;
}

bool BackListEnabled(int clickedTag)
{
    return clickedTag == kTagUserBack;
}

int SelectionAfterDelete(int deleted, int remaining)
{
    return std::min(deleted, remaining - 1);
}

TStringList FilesToAppend(const TStringList& chosen, bool allowSeveral)
{
    if (allowSeveral || chosen.size() <= 1)
        return chosen;
    return {chosen.front()};
}

int FitScrollExtent(const std::vector<int>& textWidths, int listWidth, int currentExtent)
{
    const auto widest = std::max_element(textWidths.begin(), textWidths.end());
    if (widest == textWidths.end() || *widest <= listWidth)
        return currentExtent;
    return *widest + kScrollMargin;
}
