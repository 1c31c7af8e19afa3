#include "settings/dialog/MessageBoxes.h"

#include <QFontMetrics>
#include <QRegularExpression>

namespace {

const char* const kBoxTitle = "Tessaly";
// Wide enough for a useful part of a path, narrow enough that the box with
// its icon and margins stays well inside a 1024 x 768 screen; a line of text
// wraps into a few lines at most.
constexpr int kLongestWordWidth = 480;
constexpr int kLongestLineWidth = 4 * kLongestWordWidth;

} // namespace

QString ShortenLongLines(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, maxWidth);
    return lines.join(QLatin1Char('\n'));
}

QString ShortenLongWords(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    static const QRegularExpression word(QStringLiteral("\\S+"));
    QString shortened;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : word.globalMatch(text)) {
        shortened += text.mid(done, match.capturedStart() - done);
        shortened += metrics.elidedText(match.captured(), Qt::ElideMiddle, maxWidth);
        done = match.capturedEnd();
    }
    return shortened + text.mid(done);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(icon, QString::fromLatin1(kBoxTitle), QString(), QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    const QFontMetrics metrics = box->fontMetrics();
    box->setText(ShortenLongLines(ShortenLongWords(text, metrics, kLongestWordWidth), metrics, kLongestLineWidth));
    return box;
}

void ShowMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    MakeMessageBox(icon, text, parent)->exec();
}
