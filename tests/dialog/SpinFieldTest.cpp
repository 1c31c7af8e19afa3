// The two numeric fields of the settings dialog take no typed input.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

#include "dialog/DialogTestSupport.h"
#include "settings/dialog/TSpinField.h"

namespace {

void Wheel(QWidget* widget, int angle, Qt::KeyboardModifiers modifiers)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class SpinFieldTest : public QObject {
    Q_OBJECT

private:
    THive mHive;
    TFakeServices mServices;
    std::unique_ptr<TFBallPara> mDialog;
    TSpinField* mField = nullptr;

    void Open(const char* name)
    {
        mDialog = OpenDialog(mServices);
        mField = Control<TSpinField>(mDialog.get(), name);
        mServices.Beeps = 0;
        mDialog->activateWindow();
        mField->setFocus();
    }

private slots:
    void init() { mHive.Clear(); }

    void fields_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("edBallNums") << 0 << 100;
        QTest::newRow("backInt") << 5 << 30;
    }

    void typedInputIsRefusedWithABeep_data() { fields_data(); }
    void typedInputIsRefusedWithABeep()
    {
        Open(QTest::currentDataTag());
        const int start = mField->value();
        QGuiApplication::clipboard()->setText(QStringLiteral("7"));
        QTest::keyClicks(mField, QStringLiteral("5a-"));
        QTest::keyClick(mField, Qt::Key_Backspace);
        QTest::keyClick(mField, Qt::Key_Delete);
        QTest::keySequence(mField, QKeySequence::Paste);
        QTest::keySequence(mField, QKeySequence::Cut);
        QTest::keyClicks(mField->findChild<QLineEdit*>(), QStringLiteral("9"));
        QCOMPARE(mField->value(), start);
        QCOMPARE(mField->text(), QString::number(start));
        QCOMPARE(mServices.Beeps, 8);
        QVERIFY(mField->contextMenuPolicy() == Qt::NoContextMenu);
        QVERIFY(mField->findChild<QLineEdit*>()->contextMenuPolicy() == Qt::NoContextMenu);
        QVERIFY(!mField->findChild<QLineEdit*>()->acceptDrops());
    }

    void keysStepByOneAndTen_data() { fields_data(); }
    void keysStepByOneAndTen()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        Open(QTest::currentDataTag());
        mField->setValue(low + 2);
        QTest::keyClick(mField, Qt::Key_Up);
        QCOMPARE(mField->value(), low + 3);
        QTest::keyClick(mField, Qt::Key_PageUp);
        QCOMPARE(mField->value(), low + 13);
        QTest::keyClick(mField, Qt::Key_Down);
        QCOMPARE(mField->value(), low + 12);
        QTest::keyClick(mField, Qt::Key_PageDown);
        QCOMPARE(mField->value(), low + 2);
        QTest::keyClick(mField, Qt::Key_PageDown);
        QCOMPARE(mField->value(), low);
        QTest::keyClick(mField, Qt::Key_Down);
        QCOMPARE(mField->value(), low);
        mField->setValue(high - 3);
        QTest::keyClick(mField, Qt::Key_PageUp);
        QCOMPARE(mField->value(), high);
        QTest::keyClick(mField, Qt::Key_Up);
        QCOMPARE(mField->value(), high);
        QCOMPARE(mField->text(), QString::number(high));
        QCOMPARE(mServices.Beeps, 0);
    }

    void wheelStepsByOneOrTenWithCtrl_data() { fields_data(); }
    void wheelStepsByOneOrTenWithCtrl()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        Open(QTest::currentDataTag());
        mField->setValue(low + 5);
        Wheel(mField, 120, Qt::NoModifier);
        QCOMPARE(mField->value(), low + 6);
        Wheel(mField, -120, Qt::NoModifier);
        QCOMPARE(mField->value(), low + 5);
        Wheel(mField, 120, Qt::ControlModifier);
        QCOMPARE(mField->value(), low + 15);
        // Half notches of a fine wheel add up to one step.
        Wheel(mField, 60, Qt::NoModifier);
        QCOMPARE(mField->value(), low + 15);
        Wheel(mField, 60, Qt::NoModifier);
        QCOMPARE(mField->value(), low + 16);
        Wheel(mField, 10 * 120, Qt::ControlModifier);
        QCOMPARE(mField->value(), high);
        Wheel(mField, -10 * 120, Qt::ControlModifier);
        QCOMPARE(mField->value(), low);
    }

    void buttonsStepByOne()
    {
        Open("edBallNums");
        mField->setValue(50);
        mField->stepUp();
        QCOMPARE(mField->value(), 51);
        mField->stepDown();
        mField->stepDown();
        QCOMPARE(mField->value(), 49);
    }
};

QTEST_MAIN(SpinFieldTest)
#include "SpinFieldTest.moc"
