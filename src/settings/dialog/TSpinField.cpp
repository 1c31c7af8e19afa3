#include "settings/dialog/TSpinField.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

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

TSpinKey SpinKeyOf(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        return TSpinKey::LineUp;
    case Qt::Key_Down:
        return TSpinKey::LineDown;
    case Qt::Key_PageUp:
        return TSpinKey::PageUp;
    case Qt::Key_PageDown:
        return TSpinKey::PageDown;
    default:
        return TSpinKey::Refused;
    }
}

} // namespace

TSpinField::TSpinField(QWidget* parent) : QSpinBox(parent)
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

void TSpinField::Attach(TBallParaController& controller, TBallParaControl field)
{
    mController = &controller;
    mField = field;
}

void TSpinField::stepBy(int steps)
{
    if (mController)
        mController->SpinStep(mField, steps);
    selectAll();
}

void TSpinField::keyPressEvent(QKeyEvent* event)
{
    if (PassesThrough(event)) {
        QSpinBox::keyPressEvent(event);
        return;
    }
    const TSpinKey key = SpinKeyOf(event);
    if (mController)
        mController->SpinKey(mField, key);
    if (key != TSpinKey::Refused)
        selectAll();
    event->accept();
}

void TSpinField::wheelEvent(QWheelEvent* event)
{
    if (mController && mController->SpinWheel(mField, event->angleDelta().y(), event->modifiers() & Qt::ControlModifier))
        selectAll();
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
        if (mController)
            mController->SpinKey(mField, TSpinKey::Refused);
        return true;
    }
    return QSpinBox::eventFilter(watched, event);
}
