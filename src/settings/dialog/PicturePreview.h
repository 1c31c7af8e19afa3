#pragma once
#include <QImage>
#include <QString>

// Reads a picture for the dialog's previews. The saver's own loader reads
// what the saver can show (BMP, DIB, JPEG, PNG) and refuses the rest with
// its message; icons, which the saver never shows, go through Qt's reader.
// Throws std::runtime_error with the message to show: "Unknown picture file
// extension (.%s)", the decoder's message, or a file-open error naming the path.
QImage LoadPreviewPicture(const QString& path);
