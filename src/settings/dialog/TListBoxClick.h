#pragma once
#include <QObject>
#include <functional>

class QListWidget;

// A list box's click event for a Qt list: the user picked a row with the
// mouse or the keyboard, also by clicking the row already picked. It comes
// once the list shows the picked row as selected: a mouse press moves the
// current row before the selection, so handlers that read the selection
// would otherwise see the row picked before.
class TListBoxClick final : public QObject {
    Q_OBJECT
public:
    explicit TListBoxClick(QListWidget* listBox);

    // Runs a change the program makes to the list (adding, removing or
    // selecting rows) without it counting as the user's.
    void Quietly(const std::function<void()>& change);

signals:
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectionChanged();

    QListWidget* mListBox;
    bool mQuiet = false;
    bool mPressed = false;             // the left button went down on the list
    bool mChangedWhilePressed = false;
};
