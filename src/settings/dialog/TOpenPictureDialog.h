#pragma once
#include <QString>
#include <QStringList>

class QWidget;
class TDialogServices;

// The file-open dialog for pictures: single selection until multiple
// selection is switched on, which then lasts for the dialog's life.
class TOpenPictureDialog {
public:
    explicit TOpenPictureDialog(TDialogServices& services);

    void AllowMultiSelect() { mMultiSelect = true; }
    bool MultiSelect() const { return mMultiSelect; }
    const QString& Filter() const { return mFilter; }

    // Shows the dialog; false when the user cancelled, and then the files
    // of the previous run stay as they were.
    bool Execute(QWidget* parent);

    const QStringList& Files() const { return mFiles; }

private:
    TDialogServices& mServices;
    QString mFilter;
    bool mMultiSelect = false;
    QStringList mFiles;
};
