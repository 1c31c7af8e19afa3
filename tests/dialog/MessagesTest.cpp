// What the settings dialog tells the user beyond its own form: notices,
// message boxes and the toolkit's own dialogs, in Chinese.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "dialog/DialogTestSupport.h"
#include "settings/dialog/MessageBoxes.h"
#include "settings/dialog/TDialogApplication.h"

class MessagesTest : public QObject {
    Q_OBJECT

private:
    THive mHive;

    QStringList KeptAside() const
    {
        return QDir(QFileInfo(mHive.HivePath()).path()).entryList({QStringLiteral("registry.reg.damaged-*")});
    }

private slots:
    void initTestCase() { QVERIFY2(InstallToolkitTranslation(), "Qt's Chinese translation is not installed"); }
    void init() { mHive.Clear(); }

    void damagedFileIsAnnouncedBeforeTheSaveKeepsIt()
    {
        QDir().mkpath(QFileInfo(mHive.HivePath()).path());
        const QByteArray damaged = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\"BallsCount\"=dword:zz\n";
        {
            QFile file(mHive.HivePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(damaged);
        }
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QTRY_COMPARE(services.Notices.size(), 1);
        const QString notice = services.Notices.front();
        QVERIFY2(notice.contains(mHive.HivePath()), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("line 4")), qPrintable(notice));
        QVERIFY2(notice.contains(QFileInfo(mHive.HivePath()).path() + QStringLiteral("\n")), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("registry.reg.damaged-")), qPrintable(notice));
        QCOMPARE(mHive.Bytes(), damaged);
        QVERIFY(KeptAside().isEmpty());

        Save(*dialog);
        QCOMPARE(KeptAside().size(), 1);
        QVERIFY(mHive.Dword(QStringLiteral("BallsCount")).has_value());
        QCOMPARE(services.Notices.size(), 1);

        // A file that reads brings no notice.
        TFakeServices again;
        auto second = OpenDialog(again);
        QTest::qWait(50);
        QVERIFY(again.Notices.isEmpty());
    }

    void boxesAndFileDialogSpeakChinese()
    {
        const auto box = MakeMessageBox(QMessageBox::Critical, QStringLiteral("Invalid data type for 'BallsCount'"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Tessaly"));
        QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));

        QFileDialog files(nullptr, QString(), QString(), QStringLiteral("All (*.png)"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        auto* buttons = files.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QVERIFY2(buttons->button(QDialogButtonBox::Open)->text().contains(QStringLiteral("打开")),
                 qPrintable(buttons->button(QDialogButtonBox::Open)->text()));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }

    void longPathsAreShortenedInTheMiddle_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::newRow("folder names with spaces") << QStringLiteral(" ");
        QTest::newRow("one long word") << QStringLiteral("_");
    }

    void longPathsAreShortenedInTheMiddle()
    {
        QFETCH(QString, separator);
        QString path = QStringLiteral("/home/user/图片");
        for (int i = 0; i < 80; ++i)
            path += QStringLiteral("/a%1folder%1with%1a%1long%1name%2").arg(separator).arg(i);
        path += QStringLiteral("/last-picture.png");
        const QString text = QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path);
        const auto box = MakeMessageBox(QMessageBox::Critical, text);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QVERIFY2(box->width() <= 1024 && box->height() <= 768,
                 qPrintable(QStringLiteral("%1 x %2").arg(box->width()).arg(box->height())));
        QVERIFY(box->text().startsWith(QStringLiteral("Cannot open file \"/home/user/图片/a")));
        QVERIFY(box->text().contains(QStringLiteral("last-picture.png\"")));
        QVERIFY(box->text().contains(QChar(0x2026)));
        QVERIFY(box->text().endsWith(QStringLiteral("No such file or directory")));

        // Short texts stay as they are.
        const QString plain = QStringLiteral("Unknown picture file extension (.gif)");
        QCOMPARE(ShortenLongLines(ShortenLongWords(plain, box->fontMetrics(), 100), box->fontMetrics(), 400), plain);
    }

    void windowShowsTheProgramIcon()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QVERIFY(dialog->windowIcon().availableSizes().contains(QSize(256, 256)));
    }
};

QTEST_MAIN(MessagesTest)
#include "MessagesTest.moc"
