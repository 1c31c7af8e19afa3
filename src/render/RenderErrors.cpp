#include "render/RenderErrors.h"

#include <cstdio>

std::string FormatWord(const char* pattern, const std::string& word) {
  std::string text = pattern;
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, word);
  return text;
}

std::string FormatDisplayModeError(int width, int height, int bitCount) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, SDisplayModeChange, width, height, bitCount);
  return buffer;
}
