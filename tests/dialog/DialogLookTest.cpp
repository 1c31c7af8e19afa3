// The dialog's font has every glyph it shows; screenshots of its pages.
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QRawFont>
#include <QTabWidget>
#include <QTest>

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
