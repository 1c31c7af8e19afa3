#include "settings/dialog/TListBoxClick.h"

#include <QListWidget>
#include <QMouseEvent>

TListBoxClick::TListBoxClick(QListWidget* listBox) : QObject(listBox), mListBox(listBox)
{
    connect(listBox->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TListBoxClick::SelectionChanged);
    listBox->viewport()->installEventFilter(this);
}

void TListBoxClick::Quietly(const std::function<void()>& change)
{
    const bool wasQuiet = mQuiet;
    mQuiet = true;
    change();
    mQuiet = wasQuiet;
}

void TListBoxClick::SelectionChanged()
{
    if (mQuiet)
        return;
    // A press picks its row when the button comes up, where a second click
    // on the same row is seen too.
    if (mPressed) {
        mChangedWhilePressed = true;
        return;
    }
    emit Click();
}

bool TListBoxClick::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != mListBox->viewport())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        mPressed = true;
        mChangedWhilePressed = false;
    } else if (event->type() == QEvent::MouseButtonRelease && mPressed
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        mPressed = false;
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (mChangedWhilePressed || mListBox->indexAt(at).isValid())
            emit Click();
    }
    return QObject::eventFilter(watched, event);
}
