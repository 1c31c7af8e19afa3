#pragma once
#include <QSpinBox>

#include "settings/form/TBallParaController.h"

// A numeric field that takes no typed input. Its buttons, keys and wheel
// turns go to the dialog's handlers, which step the value inside the field's
// range or refuse the key with the beep; keys that only move the caret,
// the focus or the dialog work as usual.
class TSpinField : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinField(QWidget* parent = nullptr);

    // The handlers this field's events go to, as the form's control `field`.
    void Attach(TBallParaController& controller, TBallParaControl field);

    void stepBy(int steps) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBallParaController* mController = nullptr;
    TBallParaControl mField = TBallParaControl::edBallNums;
};
