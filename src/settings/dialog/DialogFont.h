#pragma once
#include <QFont>
#include <QString>

class QWidget;

// Every text the form shows: window title, tab captions, labels, buttons,
// group titles and the items of every drop-down list, hidden ones included.
QString CollectFormTexts(const QWidget* form);

// Whether the installed face `family` has a glyph for every character of
// `text` (white space aside), without borrowing from other faces.
bool FamilyCovers(const QString& family, const QString& text);

// The dialog's font at 12 pixels: "宋体" where installed, else the first
// Chinese serif or sans face that has every glyph of `text`.
QFont ChooseDialogFont(const QString& text);

// The font of the small marks under the size slider.
QFont SliderMarkFont();
