// The settings dialog against a private registry hive: its form, what it shows and what it saves.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialog/DialogTestSupport.h"
#include "settings/ListText.h"

class BallParaTest : public QObject {
    Q_OBJECT

private:
    THive mHive;
    const TPictureFiles mFiles = MakePictureFiles(mHive.Root());
    const QString& mPictures = mFiles.Folder;
    const QString& mRed = mFiles.Red;
    const QString& mBlue = mFiles.Blue;
    const QString& mGreen = mFiles.Green;

private slots:
    void init() { mHive.Clear(); }

    void controlsSitWhereTheFormPutsThem_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("bounds");   // width or height -1: not fixed by the form
        const auto row = [](const char* name, const char* parent, QRect bounds) {
            QTest::newRow(name) << QString::fromLatin1(parent) << bounds;
        };
        row("PageControl1", "TFBallPara", {8, 8, 377, 313});
        row("Bevel1", "TabSheet1", {0, 3, 369, 281});
        row("Label11", "TabSheet1", {16, 24, -1, -1});
        row("cbBubbleStyle", "TabSheet1", {72, 20, 121, -1});
        row("cbDriver", "TabSheet1", {72, 20, 97, -1});
        row("cbAudio", "TabSheet1", {232, 20, 113, -1});
        row("Label6", "TabSheet1", {16, 56, -1, -1});
        row("edBallNums", "TabSheet1", {72, 52, 47, -1});
        row("cbxShadow", "TabSheet1", {232, 52, 97, -1});
        row("Label7", "TabSheet1", {16, 91, -1, -1});
        row("tbBallSize", "TabSheet1", {64, 86, 289, 25});
        row("Label8", "TabSheet1", {67, 109, -1, -1});
        row("Label9", "TabSheet1", {187, 109, -1, -1});
        row("Label10", "TabSheet1", {339, 109, -1, -1});
        row("GroupBox2", "TabSheet1", {16, 128, 337, 73});
        row("rbDefault", "GroupBox2", {16, 24, 113, -1});
        row("rbUser", "GroupBox2", {16, 48, 113, -1});
        row("rbDesk", "GroupBox2", {160, 24, 113, -1});
        row("Label12", "TabSheet1", {16, 252, -1, -1});
        row("cbSoundType", "TabSheet1", {72, 249, 281, -1});
        row("GroupBox1", "TabSheet2", {8, 8, 353, 273});
        row("cbMask", "GroupBox1", {16, 26, 121, -1});
        row("btnBall", "GroupBox1", {256, 28, 23, 22});
        row("SpeedButton1", "GroupBox1", {312, 28, 23, 22});
        row("lstBalls", "GroupBox1", {16, 56, 321, 105});
        row("Image2", "GroupBox1", {104, 168, 137, 95});
        row("GroupBox3", "TabSheet3", {8, 8, 353, 145});
        row("btnBack", "GroupBox3", {272, 12, 23, 22});
        row("btnDeleteBack", "GroupBox3", {320, 12, 23, 22});
        row("Label14", "GroupBox3", {80, 16, 24, 12});
        row("edtBack", "GroupBox3", {8, 40, 337, 97});
        row("GroupBox4", "TabSheet3", {8, 160, 201, 121});
        row("rbBackPlay1", "GroupBox4", {16, 24, 65, -1});
        row("rbBackPlay2", "GroupBox4", {88, 24, 81, -1});
        row("Label13", "GroupBox4", {16, 56, -1, -1});
        row("backInt", "GroupBox4", {112, 52, 47, -1});
        row("GroupBox5", "TabSheet3", {216, 160, 145, 121});
        row("Image1", "GroupBox5", {-1, -1, -1, -1});
        row("btnOk", "TFBallPara", {192, 368, 75, 25});
        row("btnCancel", "TFBallPara", {296, 368, 75, 25});
    }

    void controlsSitWhereTheFormPutsThem()
    {
        QFETCH(QString, parent);
        QFETCH(QRect, bounds);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        const auto* control = Control<QWidget>(dialog.get(), QTest::currentDataTag());
        QCOMPARE(control->parentWidget()->objectName(), parent);
        const QRect actual = control->geometry();
        if (bounds.left() >= 0)
            QCOMPARE(actual.topLeft(), bounds.topLeft());
        if (bounds.width() >= 0)
            QCOMPARE(actual.width(), bounds.width());
        if (bounds.height() >= 0)
            QCOMPARE(actual.height(), bounds.height());
    }

    void opensWithTheDefaults()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("参数设置Ver3.0"));
        // The outer 402 x 437 of the form less its frame and title bar.
        QCOMPARE(dialog->size(), QSize(394, 403));
        QCOMPARE(dialog->pos(), QPoint(207, 113));
        QCOMPARE(Control<QTabWidget>(dialog.get(), "PageControl1")->currentIndex(), 0);
        QCOMPARE(Control<QComboBox>(dialog.get(), "cbBubbleStyle")->currentText(), QStringLiteral("球形泡泡"));
        QCOMPARE(Control<QSpinBox>(dialog.get(), "edBallNums")->value(), 10);
        QCOMPARE(Control<QSpinBox>(dialog.get(), "edBallNums")->text(), QStringLiteral("10"));
        QCOMPARE(Control<QSlider>(dialog.get(), "tbBallSize")->value(), 10);
        QVERIFY(Control<QCheckBox>(dialog.get(), "cbxShadow")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog.get(), "cbAudio")->isChecked());
        QVERIFY(Control<QRadioButton>(dialog.get(), "rbDefault")->isChecked());
        QVERIFY(!Control<QListWidget>(dialog.get(), "edtBack")->isEnabled());
        QVERIFY(!Control<QToolButton>(dialog.get(), "btnBack")->isEnabled());
        QVERIFY(Control<QToolButton>(dialog.get(), "btnDeleteBack")->isEnabled());
        QVERIFY(Control<QRadioButton>(dialog.get(), "rbBackPlay1")->isChecked());
        QCOMPARE(Control<QSpinBox>(dialog.get(), "backInt")->value(), 10);
        QCOMPARE(Control<QComboBox>(dialog.get(), "cbMask")->currentText(), QStringLiteral("不使用蒙板"));
        QCOMPARE(Control<QListWidget>(dialog.get(), "edtBack")->count(), 0);
        QCOMPARE(Control<QListWidget>(dialog.get(), "lstBalls")->count(), 0);
        // The hidden controls still hold their values.
        auto* sound = Control<QComboBox>(dialog.get(), "cbSoundType");
        QVERIFY(!sound->isVisible());
        QVERIFY(!Control<QLabel>(dialog.get(), "Label12")->isVisible());
        QCOMPARE(sound->count(), 128);
        QCOMPARE(sound->currentIndex(), 4);
        QCOMPARE(sound->currentText(), QStringLiteral("4 Rhodes Piano                柔和的电钢琴"));
        auto* driver = Control<QComboBox>(dialog.get(), "cbDriver");
        QCOMPARE(driver->currentText(), QStringLiteral("Directx 7.0"));
        QVERIFY(!driver->isEnabled());
        QVERIFY(!dialog->DriverChanged());
        // The style list lies over the renderer list and hides it.
        auto* style = Control<QComboBox>(dialog.get(), "cbBubbleStyle");
        QVERIFY(style->geometry().contains(driver->geometry()));
        QCOMPARE(style->parentWidget()->childAt(driver->geometry().center()), style);
    }

    void everyControlMakesTheRoundTrip()
    {
        TStoredSettings stored;
        stored.SoundType = 77;
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* d = dialog.get();
        QCOMPARE(Control<QComboBox>(d, "cbSoundType")->currentIndex(), 77);

        Control<QComboBox>(d, "cbBubbleStyle")->setCurrentIndex(2);
        QTest::mouseClick(Control<QCheckBox>(d, "cbAudio"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(d, "cbxShadow"), Qt::LeftButton);
        Control<QSpinBox>(d, "edBallNums")->setValue(37);
        Control<QSlider>(d, "tbBallSize")->setValue(15);
        Control<QComboBox>(d, "cbDriver")->setCurrentIndex(1);
        QVERIFY(d->DriverChanged());
        QTest::mouseClick(Control<QRadioButton>(d, "rbUser"), Qt::LeftButton);
        services.Answers << QStringList{mRed} << QStringList{mBlue, mGreen};
        QTest::mouseClick(Control<QToolButton>(d, "btnBack"), Qt::LeftButton);
        QTest::mouseDClick(Control<QLabel>(d, "Label14"), Qt::LeftButton);
        Control<QComboBox>(d, "cbMask")->setCurrentIndex(1);
        const QString oddBall = mPictures + "/with space,comma \"q\".png";
        services.Answers << QStringList{oddBall} << QStringList{mRed};
        QTest::mouseClick(Control<QToolButton>(d, "btnBall"), Qt::LeftButton);
        QTest::mouseClick(Control<QToolButton>(d, "btnBall"), Qt::LeftButton);
        QTest::mouseClick(Control<QRadioButton>(d, "rbBackPlay2"), Qt::LeftButton);
        Control<QSpinBox>(d, "backInt")->setValue(17);
        const TBallParaValues before = d->ReadControls();
        Save(*d);
        QVERIFY(services.Errors.isEmpty());
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(QDialog::Accepted));
        // Closing gave the lists of the record back.
        QVERIFY(!BallSettings.BackPicList);
        QVERIFY(!BallSettings.BallPicList);

        LoadSettings();
        QCOMPARE(BallSettings.BackType, 3);
        QCOMPARE(*BallSettings.BackPicList, ToStd({mRed, mBlue, mGreen}));
        QCOMPARE(BallSettings.BackPicture, mRed.toStdString());
        QCOMPARE(*BallSettings.BallPicList, ToStd({oddBall, mRed}));
        QVERIFY(!BallSettings.ShowShadow);
        QVERIFY(!BallSettings.SoundOpen);
        QCOMPARE(BallSettings.SoundType, 77);
        QCOMPARE(BallSettings.SizeFactor, 1.5f);
        QCOMPARE(BallSettings.UseMask, 1);
        QCOMPARE(BallSettings.BubbleStyle, 2);
        QCOMPARE(BallSettings.Driver, std::string("GDI+"));
        QCOMPARE(BallSettings.BallsCount, 37);
        QVERIFY(!BallSettings.RandomPlay);
        QCOMPARE(BallSettings.BackInterval, 17);

        auto again = std::make_unique<TFBallPara>(BallSettings, &services);
        TBallParaValues after = again->ReadControls();
        QVERIFY(!after.DriverChanged);
        after.DriverChanged = true;
        QVERIFY(after.BackTag == before.BackTag && after.BackPics == before.BackPics
                && after.BallPics == before.BallPics && after.BallsCount == before.BallsCount
                && after.ShowShadow == before.ShowShadow && after.SoundOpen == before.SoundOpen
                && after.BallSize == before.BallSize && after.Driver == before.Driver
                && after.UseMask == before.UseMask && after.BubbleStyle == before.BubbleStyle
                && after.SoundType == before.SoundType && after.RandomPlay == before.RandomPlay
                && after.BackInterval == before.BackInterval);
    }

    void rendererIsWrittenOnlyWhenChanged()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        Save(*dialog);
        QVERIFY(!mHive.Bytes().contains("\"Driver\""));

        TStoredSettings stored;
        stored.Driver = "GDI+";
        mHive.Store(stored);
        dialog = OpenDialog(services);
        QCOMPARE(Control<QComboBox>(dialog.get(), "cbDriver")->currentText(), QStringLiteral("GDI+"));
        Save(*dialog);
        LoadSettings();
        QCOMPARE(BallSettings.Driver, std::string("GDI+"));
    }

    void userBackgroundWithoutPicturesSavesTheBuiltInOne()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QTest::mouseClick(Control<QRadioButton>(dialog.get(), "rbUser"), Qt::LeftButton);
        QVERIFY(Control<QListWidget>(dialog.get(), "edtBack")->isEnabled());
        QVERIFY(Control<QToolButton>(dialog.get(), "btnBack")->isEnabled());
        Save(*dialog);
        QCOMPARE(mHive.Dword("BackType"), std::optional<quint32>(1));
    }

    void backgroundButtonsSwitchTheList()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "edtBack");
        auto* add = Control<QToolButton>(dialog.get(), "btnBack");
        const std::pair<const char*, bool> clicks[] = {
            {"rbUser", true}, {"rbDesk", false}, {"rbUser", true}, {"rbDefault", false}};
        for (const auto& [button, enabled] : clicks) {
            QTest::mouseClick(Control<QRadioButton>(dialog.get(), button), Qt::LeftButton);
            QCOMPARE(list->isEnabled(), enabled);
            QCOMPARE(add->isEnabled(), enabled);
            QVERIFY(Control<QToolButton>(dialog.get(), "btnDeleteBack")->isEnabled());
        }
        QTest::mouseClick(Control<QRadioButton>(dialog.get(), "rbDesk"), Qt::LeftButton);
        Save(*dialog);
        QCOMPARE(mHive.Dword("BackType"), std::optional<quint32>(2));
    }

    void outOfRangeNumbersAreClamped()
    {
        TStoredSettings stored;
        stored.BallsCount = 150;
        stored.BackInterval = 3;
        stored.UseMask = 7;
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QCOMPARE(Control<QSpinBox>(dialog.get(), "edBallNums")->value(), 100);
        QCOMPARE(Control<QSpinBox>(dialog.get(), "backInt")->value(), 5);
        auto* mask = Control<QComboBox>(dialog.get(), "cbMask");
        QCOMPARE(mask->currentIndex(), -1);
        QVERIFY(mask->currentText().isEmpty());
        Save(*dialog);
        QCOMPARE(mHive.Dword("BallsCount"), std::optional<quint32>(100));
        QCOMPARE(mHive.Dword("BackInterval"), std::optional<quint32>(5));
        QCOMPARE(mHive.Dword("UseMask"), std::optional<quint32>(0xffffffffu));
    }

    void registryErrorKeepsTheDialogOpen()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        Control<QSpinBox>(dialog.get(), "edBallNums")->setValue(42);
        // A file where the hive's folder belongs: nothing can be written.
        mHive.Clear();
        {
            QFile blocker(mHive.Root() + "/tessaly");
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        Save(*dialog);
        QCOMPARE(services.Errors.size(), 1);
        QVERIFY2(services.Errors[0].startsWith("Failed to "), qPrintable(services.Errors[0]));
        QVERIFY(dialog->isVisible());
        QCOMPARE(Control<QSpinBox>(dialog.get(), "edBallNums")->value(), 42);

        mHive.Clear();
        Save(*dialog);
        QCOMPARE(services.Errors.size(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(mHive.Dword("BallsCount"), std::optional<quint32>(42));
    }

    void cancelWritesNothing()
    {
        TStoredSettings stored;
        stored.BackType = 3;
        stored.BackPic = (mRed + "\r\n" + mBlue + "\r\n").toStdString();
        stored.BallPic = WriteCommaText({mGreen.toStdString()});
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        const QByteArray before = mHive.Bytes();
        QVERIFY(!before.isEmpty());
        Control<QSpinBox>(dialog.get(), "edBallNums")->setValue(3);
        QTest::mouseClick(Control<QRadioButton>(dialog.get(), "rbDesk"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(dialog.get(), "cbAudio"), Qt::LeftButton);
        Control<QListWidget>(dialog.get(), "edtBack")->setCurrentRow(0);
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnDeleteBack"), Qt::LeftButton);
        services.Answers << QStringList{mBlue};
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(dialog.get(), "btnCancel"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(!BallSettings.BackPicList);
        QCOMPARE(mHive.Bytes(), before);
    }
};

QTEST_MAIN(BallParaTest)
#include "BallParaTest.moc"
