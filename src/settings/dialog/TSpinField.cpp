#include "settings/dialog/TSpinField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

#include "settings/BallParaRules.h"

namespace {

constexpr int kSmallStep = 1;
constexpr int kLargeStep = 10;
constexpr int kWheelNotch = 120;   // angle delta of one wheel notch

// Keys that move the caret, focus or the dialog without editing the text.
bool PassesThrough(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return true;
    default:
        return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
    }
}

} // namespace

TSpinField::TSpinField(QWidget* parent)
    : QSpinBox(parent)
    , mBeep(&QApplication::beep)
{
    // Text can reach the field only through the keyboard, which is filtered
    // below: no context menu (paste, cut, delete), no drops, no input method.
    setContextMenuPolicy(Qt::NoContextMenu);
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    lineEdit()->setAcceptDrops(false);
    setAcceptDrops(false);
    lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    lineEdit()->installEventFilter(this);
}

void TSpinField::stepBy(int steps)
{
    setValue(StepValue(value(), steps, minimum(), maximum()));
    selectAll();
}

void TSpinField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(kSmallStep);
        break;
    case Qt::Key_Down:
        stepBy(-kSmallStep);
        break;
    case Qt::Key_PageUp:
        stepBy(kLargeStep);
        break;
    case Qt::Key_PageDown:
        stepBy(-kLargeStep);
        break;
    default:
        if (PassesThrough(event)) {
            QSpinBox::keyPressEvent(event);
            return;
        }
        mBeep();
        break;
    }
    event->accept();
}

void TSpinField::wheelEvent(QWheelEvent* event)
{
    mWheelRemainder += event->angleDelta().y();
    const int notches = mWheelRemainder / kWheelNotch;
    mWheelRemainder -= notches * kWheelNotch;
    if (notches != 0) {
        const int stepSize = event->modifiers() & Qt::ControlModifier ? kLargeStep : kSmallStep;
        stepBy(notches * stepSize);
    }
    event->accept();
}

bool TSpinField::eventFilter(QObject* watched, QEvent* event)
{
    // Keys sent straight to the inner line edit take the same road as ours.
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    // A middle click would paste the X11 selection.
    if (watched == lineEdit()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
        && static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
        mBeep();
        return true;
    }
    return QSpinBox::eventFilter(watched, event);
}
