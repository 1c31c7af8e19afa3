#pragma once
#include <array>
#include <string_view>

// The instrument list of the settings dialog: entry k names General MIDI
// program k as "number English-name Chinese-name", padded with spaces.
extern const std::array<std::string_view, 128> kGmInstrumentNames;
