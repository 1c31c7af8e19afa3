#pragma once
#include <QImage>
#include <QString>

// Reads a picture for the dialog's previews. The saver's own loader reads
// everything it shows (BMP, DIB, JPEG, PNG); icons go through Qt's reader;
// metafiles have no decoder here and are refused like a damaged picture.
// Throws std::runtime_error with the message to show: "Unknown picture file
// extension (.%s)", the decoder's message, or a file-open error naming the path.
QImage LoadPreviewPicture(const QString& path);
