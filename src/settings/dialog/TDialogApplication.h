#pragma once
#include <QIcon>
#include <memory>

class QApplication;

// The toolkit's application for settings mode: made only when a display can
// be reached (else std::runtime_error saying so, where the toolkit would
// abort the process), speaking Chinese in its own dialogs and buttons too,
// and showing the program's icon on every window.
class TDialogApplication {
public:
    TDialogApplication();
    ~TDialogApplication();
    TDialogApplication(const TDialogApplication&) = delete;
    TDialogApplication& operator=(const TDialogApplication&) = delete;

private:
    int mArgc = 1;
    char mProgramName[8] = "tessaly";
    char* mArgv[2] = {mProgramName, nullptr};
    std::unique_ptr<QApplication> mApplication;
};

// Loads the toolkit's own Simplified Chinese texts (file dialog, standard
// buttons) into the running application; false when they are not installed.
bool InstallToolkitTranslation();

// The program's icon, carried inside it.
QIcon TessalyIcon();
