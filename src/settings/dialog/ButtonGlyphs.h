#pragma once
#include <QIcon>

// The glyphs of the dialog's small picture buttons, drawn here rather than
// shipped as images: 17 x 17 pixels on a see-through ground.
QIcon AddPictureGlyph();      // a framed landscape: a sun over green hills
QIcon RemovePictureGlyph();   // a black X
