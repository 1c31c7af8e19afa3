// The Qt form (its .ui file) is the shared form table: every control's
// kind, parent, bounds, caption, items, range and flags, and the tab order.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialog/DialogTestSupport.h"
#include "settings/form/BallParaForm.h"

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool HasKind(const QWidget* widget, TControlKind kind)
{
    switch (kind) {
    case TControlKind::PageControl:
        return qobject_cast<const QTabWidget*>(widget);
    case TControlKind::TabSheet:
        return widget->metaObject() == &QWidget::staticMetaObject;
    case TControlKind::Bevel:
        return qobject_cast<const QFrame*>(widget) && !qobject_cast<const QLabel*>(widget);
    case TControlKind::Label:
    case TControlKind::Image:
        return qobject_cast<const QLabel*>(widget);
    case TControlKind::ComboBox:
        return qobject_cast<const QComboBox*>(widget);
    case TControlKind::CheckBox:
        return widget->inherits("QCheckBox");
    case TControlKind::RadioButton:
        return widget->inherits("QRadioButton");
    case TControlKind::SpinField:
        return widget->inherits("TSpinField");
    case TControlKind::TrackBar:
        return qobject_cast<const QSlider*>(widget);
    case TControlKind::GroupBox:
        return qobject_cast<const QGroupBox*>(widget);
    case TControlKind::ListBox:
        return qobject_cast<const QListWidget*>(widget);
    case TControlKind::SpeedButton:
        return qobject_cast<const QToolButton*>(widget);
    case TControlKind::Button:
        return qobject_cast<const QPushButton*>(widget);
    }
    return false;
}

QString Caption(const QWidget* widget, TControlKind kind)
{
    if (kind == TControlKind::TabSheet) {
        const auto* pages = qobject_cast<const QTabWidget*>(widget->parentWidget()->parentWidget());
        return pages ? pages->tabText(pages->indexOf(const_cast<QWidget*>(widget))) : QString();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return {};
}

} // namespace

class FormTableTest : public QObject {
    Q_OBJECT

private:
    THive mHive;
    TFakeServices mServices;

    // Open on a user slideshow, so every control is enabled as designed.
    std::unique_ptr<TFBallPara> Open()
    {
        TStoredSettings stored;
        stored.BackType = 3;
        stored.BackPic = "/p/one.png\r\n";
        mHive.Store(stored);
        return OpenDialog(mServices);
    }

private slots:
    void formIsTheTablesForm()
    {
        auto dialog = Open();
        QCOMPARE(dialog->objectName(), FromUtf8(kBallParaForm.Name));
        QCOMPARE(dialog->size(), QSize(kBallParaForm.ClientWidth, kBallParaForm.ClientHeight));
        QCOMPARE(dialog->pos(), QPoint(kBallParaForm.Left, kBallParaForm.Top));
        QCOMPARE(dialog->font().pixelSize(), kBallParaForm.FontPixels);
    }

    void everyControlIsTheTablesRow()
    {
        auto dialog = Open();
        for (const TFormControl& row : BallParaControls()) {
            const QString name = FromUtf8(row.Name);
            const QWidget* widget = dialog->findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            QVERIFY2(HasKind(widget, row.Kind), qPrintable(name + " is a " + widget->metaObject()->className()));

            // Tab pages sit in the tab control's page stack.
            const QWidget* parent = widget->parentWidget();
            if (row.Kind == TControlKind::TabSheet)
                parent = parent->parentWidget();
            QCOMPARE(parent->objectName(), FromUtf8(row.Parent));

            const QRect bounds(row.Bounds.Left, row.Bounds.Top, row.Bounds.Width, row.Bounds.Height);
            if (row.FillsParent && parent->layout())
                parent->layout()->activate();   // its page may not have been shown yet
            if (row.FillsParent)
                QVERIFY2(parent->contentsRect().contains(widget->geometry())
                             && widget->width() * 2 > parent->width() && widget->height() * 2 > parent->height(),
                         qPrintable(name));
            else if (row.Kind != TControlKind::TabSheet)
                QVERIFY2(widget->geometry() == bounds,
                         qPrintable(QStringLiteral("%1 at %2,%3 %4x%5").arg(name).arg(widget->x()).arg(widget->y())
                                        .arg(widget->width()).arg(widget->height())));

            QCOMPARE(Caption(widget, row.Kind), FromUtf8(row.Caption));
            // Pages other than the current one are hidden by their tab control.
            if (row.Kind != TControlKind::TabSheet)
                QVERIFY2(widget->isHidden() == !row.Visible, qPrintable(name));
            QVERIFY2(widget->isEnabled() == row.Enabled, qPrintable(name));
            if (const auto* list = qobject_cast<const QComboBox*>(widget)) {
                QCOMPARE(list->count(), qsizetype(row.Items.size()));
                for (int i = 0; i < list->count(); ++i)
                    QCOMPARE(list->itemText(i), FromUtf8(row.Items[size_t(i)]));
            }
            if (const auto* field = qobject_cast<const QSpinBox*>(widget)) {
                QCOMPARE(field->minimum(), row.Min);
                QCOMPARE(field->maximum(), row.Max);
            }
            if (const auto* slider = qobject_cast<const QSlider*>(widget)) {
                QCOMPARE(slider->minimum(), row.Min);
                QCOMPARE(slider->maximum(), row.Max);
                QCOMPARE(slider->tickInterval(), kTrackBarTickFrequency);
                QCOMPARE(slider->pageStep(), kTrackBarPageSize);
            }
            if (row.Tag != 0)
                QCOMPARE(widget->property("tag").toInt(), row.Tag);
            if (row.FontPixels != 0)
                QCOMPARE(widget->font().pixelSize(), row.FontPixels);
            if (row.Kind == TControlKind::Image)
                QVERIFY(qobject_cast<const QLabel*>(widget)->hasScaledContents());
        }
    }

    // Tab moves through the controls that take the focus in table order.
    void tabOrderIsTableOrder()
    {
        auto dialog = Open();
        QList<QWidget*> chain;
        QWidget* widget = dialog.get();
        do {
            widget = widget->nextInFocusChain();
            chain << widget;
        } while (widget != dialog.get());
        int last = -1;
        QString lastName;
        for (const TFormControl& row : BallParaControls()) {
            QWidget* control = dialog->findChild<QWidget*>(FromUtf8(row.Name));
            if (!(control->focusPolicy() & Qt::TabFocus))
                continue;
            const int at = int(chain.indexOf(control));
            QVERIFY2(at > last, qPrintable(FromUtf8(row.Name) + " comes before " + lastName));
            last = at;
            lastName = FromUtf8(row.Name);
        }
    }
};

QTEST_MAIN(FormTableTest)
#include "FormTableTest.moc"
