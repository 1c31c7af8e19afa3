#pragma once
#include <stdexcept>
#include <string>

// The failures of the device, its plain surfaces and its textures. Each class
// carries the user-facing message text; callers decide where it is swallowed.

class EDXDrawError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EDirectDrawSurfaceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EDirect3DTextureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The general failure class, for a texture source that is no picture.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* SFormNotFound = "Form not found";
inline constexpr const char* SDisplayModeChange = "Display mode cannot be changed (%dx%d %dbit)";
inline constexpr const char* SCannotMade = "%s cannot be made";
inline constexpr const char* SCannotInitialized = "%s cannot be initialized";
inline constexpr const char* SDirect3DDeviceNotFound = "3D device not found";
inline constexpr const char* SCannotLoadGraphic = "Can not load graphic";
inline constexpr const char* SPrimarySurface = "Primary Surface";
inline constexpr const char* SSurface = "Surface";
inline constexpr const char* SDirect3DDevice7 = "IDirect3DDevice7";
inline constexpr const char* STexture = "Texture";

// Fills the one %s of a message pattern.
std::string FormatWord(const char* pattern, const std::string& word);
// "Display mode cannot be changed (WxH Bbit)".
std::string FormatDisplayModeError(int width, int height, int bitCount);
