#pragma once
#include <QMessageBox>
#include <QString>
#include <memory>

class QFontMetrics;
class QWidget;

// Words (paths, mostly) wider than `maxWidth` pixels shortened in the middle,
// so that the start and the file name of a long path stay readable.
QString ShortenLongWords(const QString& text, const QFontMetrics& metrics, int maxWidth);
// Lines wider than `maxWidth` pixels shortened in the middle.
QString ShortenLongLines(const QString& text, const QFontMetrics& metrics, int maxWidth);

// A message box of the program: titled "Tessaly", one OK button, its text's
// long words and lines shortened so the box fits a small screen.
std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent = nullptr);

// Shows such a box and waits for the user to close it.
void ShowMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent = nullptr);
