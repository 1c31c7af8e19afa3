#include "settings/dialog/MessageBoxes.h"

#include <QFontMetrics>
#include <QRegularExpression>

namespace {

const char* const kBoxTitle = "Tessaly";
// Wide enough for a useful part of a path, narrow enough that the box with
// its icon and margins stays well inside a 1024 x 768 screen.
constexpr int kLongestWordWidth = 480;

} // namespace

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
    box->setText(ShortenLongWords(text, box->fontMetrics(), kLongestWordWidth));
    return box;
}

void ShowMessageBox(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    MakeMessageBox(icon, text, parent)->exec();
}
