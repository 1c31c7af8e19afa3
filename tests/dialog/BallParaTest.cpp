// The settings dialog driven as a user would, against a private registry hive.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialog/DialogTestSupport.h"
#include "settings/ListText.h"
#include "settings/PictureFilter.h"

namespace {

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

TStringList ToStd(const QStringList& list)
{
    TStringList result;
    for (const auto& s : list)
        result.push_back(s.toStdString());
    return result;
}

int SelectedRow(const QListWidget* list)
{
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

// Colours read back from a JPEG are close, not exact.
bool Near(const QColor& actual, const QColor& expected)
{
    return actual.isValid() && std::abs(actual.red() - expected.red()) < 8
           && std::abs(actual.green() - expected.green()) < 8 && std::abs(actual.blue() - expected.blue()) < 8;
}

void Save(TFBallPara& dialog)
{
    QTest::mouseClick(Control<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
}

} // namespace

class BallParaTest : public QObject {
    Q_OBJECT

private:
    THive mHive;
    QString mPictures;   // a folder of small picture files
    QString mRed, mBlue, mGreen;

private slots:
    void initTestCase()
    {
        mPictures = mHive.Root() + "/图片 folder";
        QDir().mkpath(mPictures);
        mRed = MakePicture(mPictures, "red.png", Qt::red);
        mBlue = MakePicture(mPictures, "blue one.bmp", Qt::blue);
        mGreen = MakePicture(mPictures, "绿色.jpg", Qt::green);
    }

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
        QVERIFY(!dialog->DriverChanged);
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
        QVERIFY(d->DriverChanged);
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

    void removingBackgroundEntriesMovesTheSelection()
    {
        TStoredSettings stored;
        stored.BackType = 3;
        stored.BackPic = (mGreen + "\r\n" + mRed + "\r\n" + mBlue + "\r\n").toStdString();
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "edtBack");
        auto* preview = Control<QLabel>(dialog.get(), "Image1");
        auto* remove = Control<QToolButton>(dialog.get(), "btnDeleteBack");
        QCOMPARE(list->count(), 3);
        QCOMPARE(SelectedRow(list), -1);
        QTest::mouseClick(remove, Qt::LeftButton);   // nothing selected: nothing happens
        QCOMPARE(list->count(), 3);

        list->setCurrentRow(2);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(Entries(list), QStringList({mGreen, mRed}));
        QCOMPARE(SelectedRow(list), 1);
        QCOMPARE(PreviewColor(preview), QColor(Qt::red));

        list->setCurrentRow(0);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(Entries(list), QStringList({mRed}));
        QCOMPARE(SelectedRow(list), 0);
        QCOMPARE(PreviewColor(preview), QColor(Qt::red));

        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(list->count(), 0);
        QCOMPARE(SelectedRow(list), -1);
        QVERIFY(preview->pixmap().isNull());
        QVERIFY(services.Errors.isEmpty());
    }

    void removingABubblePictureKeepsItsPreview()
    {
        TStoredSettings stored;
        stored.BallPic = WriteCommaText(ToStd({mRed, mBlue}));
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "lstBalls");
        auto* preview = Control<QLabel>(dialog.get(), "Image2");
        QCOMPARE(Entries(list), QStringList({mRed, mBlue}));
        list->setCurrentRow(1);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "SpeedButton1"), Qt::LeftButton);
        QCOMPARE(Entries(list), QStringList({mRed}));
        QCOMPARE(SelectedRow(list), -1);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "SpeedButton1"), Qt::LeftButton);
        QCOMPARE(list->count(), 1);
    }

    void hotSpotTurnsOnSeveralFiles()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* backs = Control<QListWidget>(dialog.get(), "edtBack");
        auto* balls = Control<QListWidget>(dialog.get(), "lstBalls");
        services.Answers << QStringList{mBlue};
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QCOMPARE(services.MultiSelectAsked, QList<bool>{false});

        // The hot spot works even while the add button is disabled.
        QVERIFY(!Control<QToolButton>(dialog.get(), "btnBack")->isEnabled());
        const QString missing = mPictures + "/missing.png";
        services.Answers << QStringList{mGreen, mRed, missing, mBlue};
        QTest::mouseDClick(Control<QLabel>(dialog.get(), "Label14"), Qt::LeftButton);
        QCOMPARE(Entries(backs), QStringList({mGreen, mRed, missing, mBlue}));
        QCOMPARE(SelectedRow(backs), 3);
        QCOMPARE(PreviewColor(Control<QLabel>(dialog.get(), "Image1")), QColor(Qt::blue));

        services.Answers << QStringList{mRed, mGreen, mBlue};
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QCOMPARE(Entries(balls), QStringList({mBlue, mRed}));
        QCOMPARE(SelectedRow(balls), -1);
        QCOMPARE(services.MultiSelectAsked, QList<bool>({false, true, true}));
        const QString filter = QString::fromStdString(ToQtFilter(kPictureFilter));
        for (const QString& seen : services.FiltersSeen)
            QCOMPARE(seen, filter);
        QVERIFY(services.Errors.isEmpty());
    }

    void cancelledFileDialogChangesNothing()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        QTest::mouseClick(Control<QRadioButton>(dialog.get(), "rbUser"), Qt::LeftButton);
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBack"), Qt::LeftButton);
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QCOMPARE(services.MultiSelectAsked.size(), 2);
        QCOMPARE(Control<QListWidget>(dialog.get(), "edtBack")->count(), 0);
        QCOMPARE(Control<QListWidget>(dialog.get(), "lstBalls")->count(), 0);
    }

    void heldButtonMovedOverRemoveEmptiesTheList()
    {
        TStoredSettings stored;
        stored.BackType = 3;
        stored.BackPic = QString(mRed + "\r\n").repeated(5).toStdString();
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "edtBack");
        auto* remove = Control<QToolButton>(dialog.get(), "btnDeleteBack");
        QCOMPARE(list->count(), 5);
        list->setCurrentRow(2);
        const QPoint inside = remove->rect().center();
        QTest::mousePress(remove, Qt::LeftButton, Qt::NoModifier, inside);
        // Moves without the button held remove nothing.
        QMouseEvent idle(QEvent::MouseMove, QPointF(inside), remove->mapToGlobal(QPointF(inside)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(remove, &idle);
        QCOMPARE(list->count(), 5);
        for (int move = 1; move <= 6; ++move) {
            const QPointF at(inside.x() + move % 3 - 1, inside.y());
            QMouseEvent held(QEvent::MouseMove, at, remove->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(remove, &held);
            QCOMPARE(list->count(), std::max(0, 5 - move));
        }
        QTest::mouseRelease(remove, Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(list->count(), 0);
        QVERIFY(Control<QLabel>(dialog.get(), "Image1")->pixmap().isNull());
    }

    void unreadablePreviewsAreReportedAndKept()
    {
        const QString gif = mPictures + "/anim.gif";
        const QString missing = mPictures + "/gone.png";
        const QString metafile = mPictures + "/drawing.EMF";
        const QString damaged = mPictures + "/damaged.png";
        QImage(4, 4, QImage::Format_RGB32).save(gif, "GIF");
        {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a picture at all");
        }
        QFile::copy(mRed, metafile);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* preview = Control<QLabel>(dialog.get(), "Image1");
        QTest::mouseClick(Control<QRadioButton>(dialog.get(), "rbUser"), Qt::LeftButton);
        services.Answers << QStringList{mGreen} << QStringList{gif} << QStringList{missing}
                         << QStringList{metafile} << QStringList{damaged};
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBack"), Qt::LeftButton);
        QCOMPARE(services.Errors.size(), 4);
        QCOMPARE(services.Errors[0], QStringLiteral("Unknown picture file extension (.gif)"));
        QVERIFY2(services.Errors[1].contains(missing), qPrintable(services.Errors[1]));
        QVERIFY(!services.Errors[2].isEmpty());
        QVERIFY(!services.Errors[3].isEmpty());
        QVERIFY(Near(PreviewColor(preview), Qt::green));
        QCOMPARE(Entries(Control<QListWidget>(dialog.get(), "edtBack")),
                 QStringList({mGreen, gif, missing, metafile, damaged}));
        Save(*dialog);
        LoadSettings();
        QCOMPARE(*BallSettings.BackPicList, ToStd({mGreen, gif, missing, metafile, damaged}));
    }

    void iconsPreviewThroughQt()
    {
        const QString icon = mPictures + "/mark.ico";
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::yellow);
        QVERIFY(image.save(icon, "ICO"));
        TStoredSettings stored;
        stored.BallPic = WriteCommaText({icon.toStdString()});
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        Control<QListWidget>(dialog.get(), "lstBalls")->setCurrentRow(0);
        QVERIFY2(services.Errors.isEmpty(), qPrintable(services.Errors.join('\n')));
        QCOMPARE(PreviewColor(Control<QLabel>(dialog.get(), "Image2")), QColor(Qt::yellow));
    }

    void longPathsCanBeScrolledIntoView()
    {
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "lstBalls");
        Control<QTabWidget>(dialog.get(), "PageControl1")->setCurrentIndex(1);
        const QString longPath = mPictures + "/" + QString(120, QLatin1Char('x')) + ".png";
        services.Answers << QStringList{longPath} << QStringList{mRed};
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "btnBall"), Qt::LeftButton);
        QCoreApplication::processEvents();
        const int reach = list->horizontalScrollBar()->maximum() + list->viewport()->width();
        QVERIFY2(reach >= list->fontMetrics().horizontalAdvance(longPath) + 50, qPrintable(QString::number(reach)));
        // Removing the long path leaves the extent as it was.
        list->setCurrentRow(0);
        QTest::mouseClick(Control<QToolButton>(dialog.get(), "SpeedButton1"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(list->horizontalScrollBar()->maximum() > 0);
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
