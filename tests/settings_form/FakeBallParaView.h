#pragma once
#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "settings/form/IBallParaView.h"

// A view without a toolkit: remembers what the handlers set, answers file
// dialogs from a queue and counts boxes and beeps. Radio buttons of one
// parent uncheck each other as real ones do.
class TFakeBallParaView final : public IBallParaView {
public:
    struct TControlState {
        bool Enabled = true;
        bool Checked = false;
        int ItemIndex = -1;
        int Position = 0;
        TStringList Entries;
        int Selected = -1;
        int ScrollExtent = 0;
        std::optional<TDIB> Preview;   // nothing: cleared or never set
    };

    TFakeBallParaView();

    TControlState& State(TBallParaControl control) { return mStates[size_t(control)]; }
    const TControlState& State(TBallParaControl control) const { return mStates[size_t(control)]; }

    // Selects a list entry as a user's click would, without running the handler.
    void UserSelects(TBallParaControl list, int index) { State(list).Selected = index; }
    // Checks a radio button or check box as a user's click would.
    void UserChecks(TBallParaControl control, bool checked = true);

    std::string Caption;
    std::deque<TStringList> FileAnswers;   // one per file dialog; empty: cancelled
    std::vector<bool> MultiSelectAsked;
    std::vector<std::string> FiltersSeen;
    std::vector<std::string> Errors;
    std::vector<std::string> Notices;
    std::vector<std::string> PlatformDecodeAsked;   // extensions
    std::optional<TDIB> PlatformPicture;            // what the platform decodes, if anything
    int Beeps = 0;
    int PreviewsShown = 0;
    std::optional<bool> ClosedSaved;                // set once Close runs

    void SetCaption(std::string_view text) override { Caption = text; }
    void SetEnabled(TBallParaControl control, bool enabled) override { State(control).Enabled = enabled; }
    void SetChecked(TBallParaControl control, bool checked) override;
    bool Checked(TBallParaControl control) const override { return State(control).Checked; }
    void SetItemIndex(TBallParaControl control, int index) override { State(control).ItemIndex = index; }
    int ItemIndex(TBallParaControl control) const override { return State(control).ItemIndex; }
    void SetPosition(TBallParaControl control, int value) override { State(control).Position = value; }
    int Position(TBallParaControl control) const override { return State(control).Position; }
    void AddListEntries(TBallParaControl list, const TStringList& entries) override;
    void DeleteListEntry(TBallParaControl list, int index) override;
    void SelectListEntry(TBallParaControl list, int index) override { State(list).Selected = index; }
    int SelectedListEntry(TBallParaControl list) const override { return State(list).Selected; }
    // Every byte is 7 pixels wide.
    int ListTextWidth(TBallParaControl, std::string_view text) const override { return 7 * int(text.size()); }
    int ListWidth(TBallParaControl list) const override;
    void SetListScrollExtent(TBallParaControl list, int extent) override { State(list).ScrollExtent = extent; }
    void ShowPreview(TBallParaControl image, const TDIB& picture) override;
    void ClearPreview(TBallParaControl image) override { State(image).Preview.reset(); }
    std::optional<TDIB> DecodePlatformPicture(const std::string& path, std::string_view extension) override;
    TStringList ChoosePictureFiles(std::string_view filter, bool multiSelect) override;
    void ShowError(std::string_view text) override { Errors.emplace_back(text); }
    void ShowNotice(std::string_view text) override { Notices.emplace_back(text); }
    void Beep() override { ++Beeps; }
    void Close(bool saved) override { ClosedSaved = saved; }

private:
    std::array<TControlState, kBallParaControlCount> mStates;
};
