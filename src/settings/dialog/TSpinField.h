#pragma once
#include <QSpinBox>
#include <functional>

// A numeric field that takes no typed input. The value moves only by its
// buttons, Up/Down (1), Page Up/Page Down (10) and the mouse wheel (1, or 10
// with Ctrl held), always kept inside the field's range. Every other key
// that would edit the text (characters, Delete, Backspace, paste, cut) is
// refused with the system beep.
class TSpinField : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinField(QWidget* parent = nullptr);

    void stepBy(int steps) override;

    // The sound of a refused key; the system beep unless replaced.
    void SetBeep(std::function<void()> beep) { mBeep = std::move(beep); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int mWheelRemainder = 0;   // angle delta not yet worth one step
    std::function<void()> mBeep;
};
