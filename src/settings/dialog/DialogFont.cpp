#include "settings/dialog/DialogFont.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

namespace {

constexpr int kDialogPixelSize = 12;
constexpr int kSliderMarkPixelSize = 8;
const char* const kSliderMarkFamily = "MS Serif";

// Faces tried in turn: the Windows Song face under its two names, then the
// CJK faces Linux systems ship (serif first, as Song is a serif face).
const char* const kPreferredFamilies[] = {
    "宋体", "SimSun", "NSimSun", "Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN",
    "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Zen Hei", "Droid Sans Fallback",
};

void AppendLine(QString& texts, const QString& text)
{
    texts += text;
    texts += QLatin1Char('\n');
}

} // namespace

QString CollectFormTexts(const QWidget* form)
{
    QString texts;
    AppendLine(texts, form->windowTitle());
    for (const auto* tabs : form->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            AppendLine(texts, tabs->tabText(i));
    for (const auto* label : form->findChildren<QLabel*>())
        AppendLine(texts, label->text());
    for (const auto* button : form->findChildren<QAbstractButton*>())
        AppendLine(texts, button->text());
    for (const auto* group : form->findChildren<QGroupBox*>())
        AppendLine(texts, group->title());
    for (const auto* combo : form->findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            AppendLine(texts, combo->itemText(i));
    return texts;
}

bool FamilyCovers(const QString& family, const QString& text)
{
    if (!QFontDatabase::hasFamily(family))
        return false;
    QFont font(family);
    font.setPixelSize(kDialogPixelSize);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QFontMetrics metrics(font);
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c))
            continue;
        if (!metrics.inFontUcs4(c))
            return false;
    }
    return true;
}

QFont ChooseDialogFont(const QString& text)
{
    QStringList candidates;
    for (const char* family : kPreferredFamilies)
        candidates << QString::fromUtf8(family);
    candidates << QFontDatabase::families(QFontDatabase::SimplifiedChinese);

    QFont font;
    for (const QString& family : candidates) {
        if (FamilyCovers(family, text)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPixelSize(kDialogPixelSize);
    return font;
}

QFont SliderMarkFont()
{
    QFont font(QString::fromLatin1(kSliderMarkFamily));
    font.setPixelSize(kSliderMarkPixelSize);
    return font;
}
