#include "FakeBallParaView.h"

TFakeBallParaView::TFakeBallParaView()
{
    // The controls as the form designs them, before FormCreate fills them.
    for (const TFormControl& row : BallParaControls()) {
        TControlState& state = State(row.Id);
        state.Enabled = row.Enabled;
        state.Checked = row.Checked;
        state.Position = row.Min;
    }
}

void TFakeBallParaView::SetChecked(TBallParaControl control, bool checked)
{
    const TFormControl& row = FormControl(control);
    if (checked && row.Kind == TControlKind::RadioButton)
        for (const TFormControl& other : BallParaControls())
            if (other.Kind == TControlKind::RadioButton && other.Parent == row.Parent)
                State(other.Id).Checked = false;
    State(control).Checked = checked;
}

void TFakeBallParaView::UserChecks(TBallParaControl control, bool checked)
{
    SetChecked(control, checked);
}

void TFakeBallParaView::AddListEntries(TBallParaControl list, const TStringList& entries)
{
    TStringList& mine = State(list).Entries;
    mine.insert(mine.end(), entries.begin(), entries.end());
}

void TFakeBallParaView::DeleteListEntry(TBallParaControl list, int index)
{
    TControlState& state = State(list);
    state.Entries.erase(state.Entries.begin() + index);
    // A list box loses its selection with the selected entry.
    if (state.Selected == index)
        state.Selected = -1;
}

int TFakeBallParaView::ListWidth(TBallParaControl list) const
{
    return FormControl(list).Bounds.Width;
}

void TFakeBallParaView::ShowPreview(TBallParaControl image, const TDIB& picture)
{
    State(image).Preview = picture;
    ++PreviewsShown;
}

std::optional<TDIB> TFakeBallParaView::DecodePlatformPicture(const std::string&, std::string_view extension)
{
    PlatformDecodeAsked.emplace_back(extension);
    return PlatformPicture;
}

TStringList TFakeBallParaView::ChoosePictureFiles(std::string_view filter, bool multiSelect)
{
    FiltersSeen.emplace_back(filter);
    MultiSelectAsked.push_back(multiSelect);
    if (FileAnswers.empty())
        return {};
    TStringList answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
}
