#include "settings/PreviewPictureKind.h"

#include <algorithm>
#include <cctype>

std::string ExtensionOf(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

TPreviewKind PreviewKindOf(std::string_view path)
{
    std::string extension = ExtensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "ico")
        return TPreviewKind::pkIcon;
    if (extension == "emf" || extension == "wmf")
        return TPreviewKind::pkMetafile;
    return TPreviewKind::pkPicture;
}
