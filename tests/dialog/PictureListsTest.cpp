// The settings dialog's two picture lists and their previews.
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialog/DialogTestSupport.h"
#include "settings/ListText.h"
#include "settings/PictureFilter.h"

class PictureListsTest : public QObject {
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

    // The preview shows the row the user clicked or moved to, also after a
    // broken picture and on a second click of the same row.
    void previewFollowsClicksAndKeys_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("previewName");
        QTest::newRow("background") << 2 << "edtBack" << "Image1";
        QTest::newRow("bubbles") << 1 << "lstBalls" << "Image2";
    }

    void previewFollowsClicksAndKeys()
    {
        QFETCH(int, page);
        QFETCH(QString, listName);
        QFETCH(QString, previewName);
        const QString broken = mPictures + "/broken.png";
        {
            QFile file(broken);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("no picture in here");
        }
        TStoredSettings stored;
        stored.BackType = 3;
        stored.BackPic = (mRed + "\r\n" + broken + "\r\n" + mBlue + "\r\n").toStdString();
        stored.BallPic = WriteCommaText(ToStd({mRed, broken, mBlue}));
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        Control<QTabWidget>(dialog.get(), "PageControl1")->setCurrentIndex(page);
        auto* list = Control<QListWidget>(dialog.get(), qPrintable(listName));
        auto* preview = Control<QLabel>(dialog.get(), qPrintable(previewName));
        const auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                              list->visualItemRect(list->item(row)).center());
        };

        click(0);
        QCOMPARE(PreviewColor(preview), QColor(Qt::red));
        QCOMPARE(services.Errors.size(), 0);
        click(1);
        QCOMPARE(services.Errors.size(), 1);
        QCOMPARE(PreviewColor(preview), QColor(Qt::red));   // the broken one keeps the last picture
        click(2);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QCOMPARE(services.Errors.size(), 1);

        // The same row again previews again: after the preview was cleared,
        // and after an error.
        preview->clear();
        click(2);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        click(1);
        click(1);
        QCOMPARE(services.Errors.size(), 3);

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(SelectedRow(list), 0);
        QCOMPARE(PreviewColor(preview), QColor(Qt::red));
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QCOMPARE(services.Errors.size(), 3);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(services.Errors.size(), 4);
        QVERIFY2(services.Errors.last().contains(QStringLiteral("PNG")), qPrintable(services.Errors.last()));
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

    void iconsAndOtherSpellingsPreview()
    {
        const QString icon = mPictures + "/mark.ICO";
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::yellow);
        QVERIFY(image.save(icon, "ICO"));
        const QString dib = mPictures + "/blue.Dib";
        QVERIFY(QFile::copy(mBlue, dib));
        TStoredSettings stored;
        stored.BallPic = WriteCommaText(ToStd({icon, dib}));
        mHive.Store(stored);
        TFakeServices services;
        auto dialog = OpenDialog(services);
        auto* list = Control<QListWidget>(dialog.get(), "lstBalls");
        auto* preview = Control<QLabel>(dialog.get(), "Image2");
        list->setCurrentRow(0);
        QCOMPARE(PreviewColor(preview), QColor(Qt::yellow));
        list->setCurrentRow(1);
        QCOMPARE(PreviewColor(preview), QColor(Qt::blue));
        QVERIFY2(services.Errors.isEmpty(), qPrintable(services.Errors.join('\n')));
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

};

QTEST_MAIN(PictureListsTest)
#include "PictureListsTest.moc"
