#include "platform/win32/dialog/DialogFont.h"

#include <vector>

#include "platform/win32/Wide.h"

namespace {

// Faces every current Windows has, whatever its display language: YaHei
// since Vista (its "UI" cut since 8), the Song faces before that.
const wchar_t* const kChineseFaces[] = {
    L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"NSimSun", L"SimHei", L"DengXian",
};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;   // one answer is enough
}

bool Installed(HDC dc, const std::wstring& face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// Whether the face itself has every glyph: the system's font linking would
// borrow missing ones for some controls and not for others.
bool Covers(HDC dc, const std::wstring& face, std::wstring_view texts)
{
    HFONT font = MakeDialogFont(face, 12);
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring printable;
    for (wchar_t c : texts)
        if (c > L' ')
            printable.push_back(c);
    std::vector<WORD> glyphs(printable.size());
    const DWORD done = GetGlyphIndicesW(dc, printable.c_str(), static_cast<int>(printable.size()), glyphs.data(),
                                        GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteObject(font);
    if (done == GDI_ERROR)
        return false;
    for (WORD glyph : glyphs)
        if (glyph == 0xffff)
            return false;
    return true;
}

} // namespace

std::wstring ChooseDialogFace(std::string_view formFace, std::wstring_view texts)
{
    std::vector<std::wstring> candidates{Utf8ToWide(formFace)};
    for (const wchar_t* face : kChineseFaces)
        candidates.emplace_back(face);
    HDC dc = GetDC(nullptr);
    std::wstring chosen = candidates.front();
    for (const std::wstring& face : candidates) {
        if (Installed(dc, face) && Covers(dc, face, texts)) {
            chosen = face;
            break;
        }
    }
    ReleaseDC(nullptr, dc);
    return chosen;
}

HFONT MakeDialogFont(const std::wstring& face, int pixels)
{
    LOGFONTW font{};
    font.lfHeight = -pixels;   // character height, as the form gives it
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}
