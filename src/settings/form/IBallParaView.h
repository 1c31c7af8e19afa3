#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "render/TDIB.h"
#include "settings/TBallSettings.h"
#include "settings/form/BallParaForm.h"

// What the settings dialog's rules need from a toolkit: the controls of the
// form table, the modal boxes and the beep. Each toolkit's dialog implements
// it over its own widgets and passes every user event to TBallParaController.
// Text is UTF-8 throughout. Nothing the rules do through this interface may
// come back as a user event: setting a value, selecting a list entry or
// adding entries raises no click or change handler.
class IBallParaView {
public:
    virtual ~IBallParaView() = default;

    // The window's title.
    virtual void SetCaption(std::string_view text) = 0;

    virtual void SetEnabled(TBallParaControl control, bool enabled) = 0;

    // Check boxes and radio buttons. Checking a radio button unchecks the
    // others of its group.
    virtual void SetChecked(TBallParaControl control, bool checked) = 0;
    virtual bool Checked(TBallParaControl control) const = 0;

    // Drop-down lists: the selected item's index, kNoSelection for none.
    virtual void SetItemIndex(TBallParaControl control, int index) = 0;
    virtual int ItemIndex(TBallParaControl control) const = 0;

    // Spin fields and the track bar: the whole-number value shown. The rules
    // keep it inside the control's range.
    virtual void SetPosition(TBallParaControl control, int value) = 0;
    virtual int Position(TBallParaControl control) const = 0;

    // List boxes. Entries are appended at the end; the rules keep their own
    // copy of every list and change the view's to match.
    virtual void AddListEntries(TBallParaControl list, const TStringList& entries) = 0;
    virtual void DeleteListEntry(TBallParaControl list, int index) = 0;
    // Selects one entry, or none for kNoSelection.
    virtual void SelectListEntry(TBallParaControl list, int index) = 0;
    virtual int SelectedListEntry(TBallParaControl list) const = 0;
    // Pixel widths: of a text in the list's font, and of the list box.
    virtual int ListTextWidth(TBallParaControl list, std::string_view text) const = 0;
    virtual int ListWidth(TBallParaControl list) const = 0;
    // How far the list scrolls sideways, in pixels; 0 never set.
    virtual void SetListScrollExtent(TBallParaControl list, int extent) = 0;

    // The two picture previews: show a decoded picture stretched to the
    // image's bounds, or nothing.
    virtual void ShowPreview(TBallParaControl image, const TDIB& picture) = 0;
    virtual void ClearPreview(TBallParaControl image) = 0;
    // Kinds the program's own loaders do not read (icons, metafiles:
    // extension "ico", "emf" or "wmf", lower case), decoded by the platform's
    // graphics services. Nothing when the platform has no decoder for the
    // kind, and the rules then report the file as unreadable. Throws
    // std::runtime_error with the message to show when the file cannot be read.
    virtual std::optional<TDIB> DecodePlatformPicture(const std::string& path, std::string_view extension) = 0;

    // The file-open dialog for pictures: the chosen files in the order the
    // dialog returns them, one at most unless multiSelect; empty when the
    // user cancelled. `filter` is written as description|patterns pairs
    // joined by bars (kPictureFilter).
    virtual TStringList ChoosePictureFiles(std::string_view filter, bool multiSelect) = 0;

    // Modal message boxes: an error, and a warning the user reads before going on.
    virtual void ShowError(std::string_view text) = 0;
    virtual void ShowNotice(std::string_view text) = 0;

    // The system beep of a refused key.
    virtual void Beep() = 0;

    // Ends the dialog: after a successful save, or without saving.
    virtual void Close(bool saved) = 0;
};
