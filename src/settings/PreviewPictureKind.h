#pragma once
#include <string>
#include <string_view>

// How a previewed picture is read, chosen by its file name's extension
// without regard to case.
enum class TPreviewKind {
    pkPicture,    // bmp, dib, jpg, jpeg, png and anything else: the saver's own loader decides
    pkIcon,       // ico
    pkMetafile,   // emf, wmf
};

TPreviewKind PreviewKindOf(std::string_view path);

// The extension after the last dot of the file name, without the dot.
std::string ExtensionOf(std::string_view path);
