#pragma once
#include "settings/form/BallParaForm.h"

// Every window of the settings dialog made from a row of the form table
// carries kFirstControlId + that row as its control identifier, so that
// GetDlgCtrlID names the row (the tests find each control this way).
inline constexpr int kFirstControlId = 1000;

constexpr int ControlId(TBallParaControl control) { return kFirstControlId + static_cast<int>(control); }

// The window class of the three pages and of the dialog itself.
inline constexpr wchar_t kTabPageClass[] = L"TessalyTabPage";
inline constexpr wchar_t kSettingsFormClass[] = L"TessalySettingsForm";
