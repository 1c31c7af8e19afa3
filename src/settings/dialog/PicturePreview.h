#pragma once
#include <QImage>
#include <QString>
#include <optional>

#include "render/TDIB.h"

// A decoded picture as Qt shows it.
QImage ToImage(const TDIB& dib);

// Reads an icon file through Qt's reader, which the program's own loaders
// lack. Throws std::runtime_error with the message to show: a file-open
// error naming the path, or that the icon is not valid.
TDIB ReadIcon(const QString& path);
