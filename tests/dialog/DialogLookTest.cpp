// The dialog's font has every glyph it shows; controls clear of each other's
// drawing; screenshots of its pages.
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QRawFont>
#include <QSlider>
#include <QStyleOption>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialog/DialogTestSupport.h"
#include "settings/dialog/DialogFont.h"

class DialogLookTest : public QObject {
    Q_OBJECT

private:
    THive mHive;
    TFakeServices mServices;

private slots:
    void fontHasEveryGlyphOfTheForm()
    {
        auto dialog = OpenDialog(mServices);
        const QFont font = dialog->font();
        QCOMPARE(font.pixelSize(), 12);
        if (QFontDatabase::hasFamily(QStringLiteral("宋体")))
            QCOMPARE(font.family(), QStringLiteral("宋体"));

        const QString texts = CollectFormTexts(dialog.get());
        for (const char* sample : {"参数设置Ver3.0", "[ 常规设置 ]", "音效（碰撞声音）", "播放间隔时间(秒)",
                                   "选择一张或者多张图片作为背景", "[中文名称暂缺]", "保存", "取消"})
            QVERIFY2(texts.contains(QString::fromUtf8(sample)), sample);

        // The face actually drawn for Chinese text must be the dialog's own.
        const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
        QVERIFY(raw.isValid());
        QCOMPARE(raw.familyName(), font.family());
        QString missing;
        for (const char32_t c : texts.toUcs4())
            if (!QChar::isSpace(c) && !raw.supportsCharacter(c))
                missing += QString::fromUcs4(&c, 1);
        QVERIFY2(missing.isEmpty(), qPrintable(font.family() + ": " + missing));
        QVERIFY(FamilyCovers(font.family(), texts));
    }

    void everyControlUsesTheDialogFont()
    {
        auto dialog = OpenDialog(mServices);
        const QString family = dialog->font().family();
        for (const QWidget* child : dialog->findChildren<QWidget*>()) {
            if (child->objectName().startsWith(QStringLiteral("Label")) && child->font().pixelSize() == 8)
                continue;   // the slider marks
            QVERIFY2(child->font().family() == family, qPrintable(child->objectName()));
        }
        for (const char* mark : {"Label8", "Label9", "Label10"})
            QCOMPARE(Control<QLabel>(dialog.get(), mark)->font().pixelSize(), 8);
    }

    void fontCheckNoticesMissingGlyphs()
    {
        // A Latin-only face lacks the Chinese text and is not taken.
        const QStringList latin = QFontDatabase::families(QFontDatabase::Latin);
        for (const QString& family : latin) {
            if (QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
                continue;
            QVERIFY(FamilyCovers(family, QStringLiteral("Ver3.0")));
            QVERIFY(!FamilyCovers(family, QStringLiteral("参数设置")));
            return;
        }
        QSKIP("no Latin-only face installed");
    }

    // The add and remove buttons lie inside their group's frame, and the
    // size slider's groove starts clear of its caption.
    void controlsKeepClearOfFramesAndCaptions()
    {
        auto dialog = OpenDialog(mServices);
        for (const char* name : {"btnBall", "SpeedButton1", "btnBack", "btnDeleteBack"}) {
            auto* button = Control<QToolButton>(dialog.get(), name);
            auto* group = qobject_cast<QGroupBox*>(button->parentWidget());
            QVERIFY(group);
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect frame = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxFrame, group);
            QVERIFY2(frame.top() + 2 < button->y(), qPrintable(QStringLiteral("%1: frame at %2, button at %3").arg(name).arg(frame.top()).arg(button->y())));
        }

        auto* slider = Control<QSlider>(dialog.get(), "tbBallSize");
        auto* caption = Control<QLabel>(dialog.get(), "Label7");
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->value();
        option.tickPosition = slider->tickPosition();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
        const int captionEnd = caption->mapTo(dialog.get(), QPoint(caption->fontMetrics().horizontalAdvance(caption->text()), 0)).x();
        QVERIFY2(slider->mapTo(dialog.get(), groove.topLeft()).x() > captionEnd + 2,
                 qPrintable(QStringLiteral("groove at %1, caption ends at %2")
                                .arg(slider->mapTo(dialog.get(), groove.topLeft()).x()).arg(captionEnd)));
    }

    void pagesLookRight()
    {
        auto dialog = OpenDialog(mServices);
        auto* pages = Control<QTabWidget>(dialog.get(), "PageControl1");
        const QString folder = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            const QImage shot = dialog->grab().toImage();
            QCOMPARE(shot.size(), dialog->size());
            if (!folder.isEmpty())
                QVERIFY(shot.save(QDir(folder).filePath(QStringLiteral("dialog-tab%1.png").arg(page + 1))));
        }
    }
};

QTEST_MAIN(DialogLookTest)
#include "DialogLookTest.moc"
