#pragma once
#include <string>
#include <string_view>

#include "settings/TBallSettings.h"

// The two list texts of the settings: "BackPic" holds line text (every path
// followed by CR LF), "BallPic" holds comma text (quoted where needed).
TStringList ReadLineText(std::string_view text);
std::string WriteLineText(const TStringList& list);
TStringList ReadCommaText(std::string_view text);
std::string WriteCommaText(const TStringList& list);
