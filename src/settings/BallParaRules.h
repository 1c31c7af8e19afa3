#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "settings/TBallSettings.h"

// The settings dialog's rules as plain functions: what its controls show
// when it opens, what a save writes, and how its lists and switches behave.
// TBallParaController applies them to whichever toolkit's form is open.

inline constexpr int kBallsCountMin = 0;
inline constexpr int kBallsCountMax = 100;   // the bubble table's capacity
inline constexpr int kBallSizeMin = 2;       // tenths
inline constexpr int kBallSizeMax = 20;
inline constexpr int kBackIntervalMin = 5;   // seconds
inline constexpr int kBackIntervalMax = 30;
inline constexpr int kMaskItems = 3;
inline constexpr int kBubbleStyleItems = 3;
inline constexpr int kSoundTypeItems = 128;
inline constexpr int kNoSelection = -1;

// Tags of the three background radio buttons; the tag is the stored BackType.
inline constexpr int kTagDefaultBack = 1;
inline constexpr int kTagDesktopBack = 2;
inline constexpr int kTagUserBack = 3;

inline constexpr std::string_view kDriverDirectX = "Directx 7.0";
inline constexpr std::string_view kDriverGdiPlus = "GDI+";

inline constexpr std::string_view kBallParaCaption = "参数设置Ver3.0";

// The dialog's controls as plain values.
struct TBallParaValues {
    int BackTag = kTagDefaultBack;     // tag of the selected background radio button
    TStringList BackPics;              // entries of edtBack
    TStringList BallPics;              // entries of lstBalls
    int BallsCount = 10;               // edBallNums
    bool ShowShadow = true;            // cbxShadow
    bool SoundOpen = true;             // cbAudio
    int BallSize = 10;                 // tbBallSize position
    std::string Driver{kDriverDirectX};   // text shown by cbDriver
    bool DriverChanged = false;
    int UseMask = 0;                   // item indexes, kNoSelection when none
    int BubbleStyle = 0;
    int SoundType = 4;
    bool RandomPlay = true;            // rbBackPlay1 rather than rbBackPlay2
    int BackInterval = 10;             // backInt
};

// What the controls show when the dialog opens on the loaded record.
TBallParaValues ValuesFromSettings(const TBallSettings& settings);

// The values a save writes, in the form SaveSettings takes them.
TStoredSettings StoredFromValues(const TBallParaValues& values);

// "BackType" as saved: a user slideshow with nothing to show falls back to
// the built-in picture.
int BackTypeToSave(int backTag, const TStringList& backPics);

// edtBack and btnBack follow the clicked background radio button.
bool BackListEnabled(int clickedTag);

int ClampToRange(long long value, int low, int high);

// A numeric field's value after stepping by delta, kept inside its range.
int StepValue(int value, int delta, int low, int high);

// An item index, or kNoSelection when it names no item of a list.
int ItemIndexOrNone(int index, int itemCount);

// The entry to select after deleting entry `deleted` from a list that now
// holds `remaining` entries: the same place, or the new last one.
int SelectionAfterDelete(int deleted, int remaining);

// The files a picture choice appends: all of them for the background list,
// only the first for the bubble list.
TStringList FilesToAppend(const TStringList& chosen, bool allowSeveral);

// The horizontal scroll extent of a list box after its entries changed: the
// widest entry plus a margin when it does not fit, else the current extent.
int FitScrollExtent(const std::vector<int>& textWidths, int listWidth, int currentExtent);

// Text with every character of code 32 or less removed from both ends.
std::string_view TrimControlChars(std::string_view text);
