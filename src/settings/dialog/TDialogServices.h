#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// The modal boxes and the beep of the settings dialog. Kept behind an
// interface so the dialog can be driven without a person answering them.
class TDialogServices {
public:
    virtual ~TDialogServices() = default;

    // The files the user chose in a file-open dialog for pictures, in the
    // order the dialog returns them; empty when the user cancelled.
    virtual QStringList OpenPictures(QWidget* parent, const QString& filter, bool multiSelect) = 0;

    // An error message box with the given text.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;

    // A warning box the user reads before going on.
    virtual void ShowNotice(QWidget* parent, const QString& text) = 0;

    // The system beep of a refused key.
    virtual void Beep() = 0;
};

// The real boxes: QFileDialog, the program's message boxes, the system beep.
class TQtDialogServices final : public TDialogServices {
public:
    QStringList OpenPictures(QWidget* parent, const QString& filter, bool multiSelect) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowNotice(QWidget* parent, const QString& text) override;
    void Beep() override;
};
