#pragma once
#include <QByteArray>
#include <QColor>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "settings/TBallSettings.h"
#include "settings/dialog/TDialogServices.h"
#include "settings/dialog/UBallpara.h"

class QLabel;
class QListWidget;

// Answers the dialog's file dialogs from a queue and records its error boxes
// and beeps.
class TFakeServices final : public TDialogServices {
public:
    QList<QStringList> Answers;     // one per file dialog, front first; empty = cancelled
    QList<bool> MultiSelectAsked;
    QStringList FiltersSeen;
    QStringList Errors;
    QStringList Notices;
    int Beeps = 0;

    QStringList OpenPictures(QWidget* parent, const QString& filter, bool multiSelect) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowNotice(QWidget* parent, const QString& text) override;
    void Beep() override { ++Beeps; }
};

// A private XDG_CONFIG_HOME holding the registry hive of one test program.
class THive {
public:
    THive();
    QString Root() const { return mDir.path(); }
    QString HivePath() const;
    void Clear() const;
    QByteArray Bytes() const;
    // A REG_DWORD as the hive file holds it.
    std::optional<quint32> Dword(const QString& name) const;
    void Store(const TStoredSettings& values) const;

private:
    QTemporaryDir mDir;
};

// Loads the settings and opens the dialog on them, shown, with fake boxes.
std::unique_ptr<TFBallPara> OpenDialog(TFakeServices& services);

// Writes a small single-colour picture file and returns its path.
QString MakePicture(const QString& dir, const QString& name, const QColor& color);

// The colour in the middle of a preview, invalid when it shows nothing.
QColor PreviewColor(const QLabel* preview);

// Small picture files of the tests, in a folder whose name has a space and
// Chinese characters.
struct TPictureFiles {
    QString Folder;
    QString Red;     // PNG
    QString Blue;    // BMP, its name with a space
    QString Green;   // JPEG, its name in Chinese
};
TPictureFiles MakePictureFiles(const QString& root);

QStringList Entries(const QListWidget* list);
int SelectedRow(const QListWidget* list);
TStringList ToStd(const QStringList& list);

// Colours read back from a JPEG are close, not exact.
bool Near(const QColor& actual, const QColor& expected);

// Presses "保存".
void Save(TFBallPara& dialog);

template <class T>
T* Control(const QWidget* form, const char* name)
{
    T* control = form->findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}
