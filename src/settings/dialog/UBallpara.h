#pragma once
#include <QDialog>
#include <array>
#include <memory>

#include "settings/form/IBallParaView.h"
#include "settings/form/TBallParaController.h"

class QLabel;
class QListWidget;
class TDialogServices;
class TListBoxClick;

namespace Ui {
class TFBallPara;
}

// The settings dialog on Qt: the form's widgets, each user event passed to
// the shared handlers of TBallParaController, which set the widgets back
// through IBallParaView.
class TFBallPara : public QDialog, private IBallParaView {
    Q_OBJECT
public:
    // Fills the controls from `settings`. Without services the real file
    // dialog, message boxes and beep are used.
    explicit TFBallPara(const TBallSettings& settings, TDialogServices* services = nullptr,
                        QWidget* parent = nullptr);
    ~TFBallPara() override;

    // What the controls hold now.
    TBallParaValues ReadControls() const { return mController.ReadControls(); }
    bool DriverChanged() const { return mController.DriverChanged(); }

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetCaption(std::string_view text) override;
    void SetEnabled(TBallParaControl control, bool enabled) override;
    void SetChecked(TBallParaControl control, bool checked) override;
    bool Checked(TBallParaControl control) const override;
    void SetItemIndex(TBallParaControl control, int index) override;
    int ItemIndex(TBallParaControl control) const override;
    void SetPosition(TBallParaControl control, int value) override;
    int Position(TBallParaControl control) const override;
    void AddListEntries(TBallParaControl list, const TStringList& entries) override;
    void DeleteListEntry(TBallParaControl list, int index) override;
    void SelectListEntry(TBallParaControl list, int index) override;
    int SelectedListEntry(TBallParaControl list) const override;
    int ListTextWidth(TBallParaControl list, std::string_view text) const override;
    int ListWidth(TBallParaControl list) const override;
    void SetListScrollExtent(TBallParaControl list, int extent) override;
    void ShowPreview(TBallParaControl image, const TDIB& picture) override;
    void ClearPreview(TBallParaControl image) override;
    std::optional<TDIB> DecodePlatformPicture(const std::string& path, std::string_view extension) override;
    TStringList ChoosePictureFiles(std::string_view filter, bool multiSelect) override;
    void ShowError(std::string_view text) override;
    void ShowNotice(std::string_view text) override;
    void Beep() override;
    void Close(bool saved) override;

    void Style();
    void Connect();
    QWidget* Widget(TBallParaControl control) const;
    template <class T>
    T* Widget(TBallParaControl control) const;
    QListWidget* List(TBallParaControl list) const;
    TListBoxClick* Clicks(TBallParaControl list) const;

    std::unique_ptr<Ui::TFBallPara> ui;
    std::unique_ptr<TDialogServices> mOwnServices;
    TDialogServices* mServices;
    std::array<QWidget*, kBallParaControlCount> mWidgets{};
    TListBoxClick* mBackClicks = nullptr;    // owned by their lists
    TListBoxClick* mBallClicks = nullptr;
    TBallParaController mController;
};

// The dialog while settings mode runs it.
extern TFBallPara* FBallPara;
