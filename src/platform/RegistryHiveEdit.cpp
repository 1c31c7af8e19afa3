#include "platform/RegistryHiveEdit.h"

#include <optional>
#include <vector>

namespace {

constexpr std::string_view NewHiveText = "REGEDIT4\n\n";
constexpr std::string_view Lf = "\n";
constexpr std::string_view CrLf = "\r\n";

struct TParsedText {
    TRegistryHive Hive;
    THiveLayout Layout;
};

TParsedText Parse(std::string_view bytes)
{
    TParsedText parsed;
    parsed.Hive = ParseHive(bytes.empty() ? NewHiveText : bytes, &parsed.Layout);
    return parsed;
}

// The file's own line end, judged by its first line.
std::string_view LineEndOf(const std::string& text)
{
    const size_t lf = text.find('\n');
    return lf != std::string::npos && lf > 0 && text[lf - 1] == '\r' ? CrLf : Lf;
}

std::string WithLineEnds(std::string_view lines, std::string_view lineEnd)
{
    std::string out;
    for (char c : lines) {
        if (c == '\n')
            out += lineEnd;
        else
            out += c;
    }
    return out;
}

bool EndsWithBlankLine(const std::string& text)
{
    return text.ends_with("\n\n") || text.ends_with("\n\r\n");
}

// The text with a new section for the key at its end, set apart by blank
// lines as the sections of an export are.
std::string WithSectionAppended(std::string text, std::string_view lineEnd, std::string_view keyPath,
                                std::string_view valueLines)
{
    if (!text.empty() && text.back() != '\n')
        text += lineEnd;
    if (!EndsWithBlankLine(text))
        text += lineEnd;
    text += '[';
    text += keyPath;
    text += ']';
    text += lineEnd;
    text += valueLines;
    text += lineEnd;
    return text;
}

// The candidate's bytes, when they read back as exactly the hive wanted.
// Removal lines further down, or a name spelt twice, can make a change in
// place mean something else; the check catches every such case.
std::optional<std::string> Checked(const std::string& text, THiveEncoding encoding, const TRegistryHive& wanted)
{
    std::optional<std::string> bytes = EncodeHiveText(text, encoding);
    if (!bytes)
        return std::nullopt;
    try {
        if (ParseHive(*bytes) == wanted)
            return bytes;
    } catch (const EHiveFormatError&) {
    }
    return std::nullopt;
}

std::string FirstThatHolds(const std::vector<std::string>& candidates, THiveEncoding encoding,
                           const TRegistryHive& wanted)
{
    for (const std::string& candidate : candidates)
        if (std::optional<std::string> bytes = Checked(candidate, encoding, wanted))
            return *bytes;
    // Only a text the checks above cannot place a change in gets here; it is
    // written afresh, which loses its looks but none of its content.
    return FormatHive(wanted);
}

}

std::string HiveTextWithKey(std::string_view bytes, std::string_view keyPath)
{
    TParsedText parsed = Parse(bytes);
    if (parsed.Hive.KeyExists(keyPath))
        return std::string(bytes);
    TRegistryHive wanted = parsed.Hive;
    wanted.AddKey(keyPath);
    const std::string& text = parsed.Layout.Text;
    return FirstThatHolds({WithSectionAppended(text, LineEndOf(text), keyPath, {})}, parsed.Layout.Encoding, wanted);
}

std::string HiveTextWithValue(std::string_view bytes, std::string_view keyPath, const THiveValue& value)
{
    TParsedText parsed = Parse(bytes);
    const THiveLayout& layout = parsed.Layout;
    const std::string& text = layout.Text;
    TRegistryHive wanted = parsed.Hive;
    THiveKey& key = wanted.AddKey(keyPath);
    key.SetValue(value.Name, value.Type, value.Data);
    // Names keep the spelling they already have in the file.
    THiveValue stored = *key.FindValue(value.Name);
    const std::string_view lineEnd = LineEndOf(text);
    const auto linesNamed = [&](const std::string& name) {
        stored.Name = name;
        return WithLineEnds(FormatValueLines(stored, layout.Version5), lineEnd);
    };
    const std::string lines = linesNamed(stored.Name);

    std::vector<std::string> candidates;
    const auto inKey = [&](size_t section) {
        return !layout.Sections[section].Removal && SameTextAscii(layout.Sections[section].Path, keyPath);
    };
    const THiveLayout::TValueLines* old = nullptr;
    for (const THiveLayout::TValueLines& written : layout.Values)
        if (inKey(written.Section) && SameTextAscii(written.Name, value.Name))
            old = &written;
    if (old) {
        std::string replaced = text;
        const std::string ownLines = linesNamed(old->Name);
        std::string_view newLines = ownLines;
        // The file's last line may have no line end; it keeps having none.
        if (text[old->End - 1] != '\n')
            newLines.remove_suffix(lineEnd.size());
        replaced.replace(old->Begin, old->End - old->Begin, newLines);
        candidates.push_back(std::move(replaced));
    }
    const THiveLayout::TKeySection* section = nullptr;
    for (size_t i = 0; i < layout.Sections.size(); ++i)
        if (inKey(i))
            section = &layout.Sections[i];
    if (!old && section) {
        std::string inserted = text;
        const bool lineEnded = section->InsertAt == 0 || text[section->InsertAt - 1] == '\n';
        inserted.insert(section->InsertAt, (lineEnded ? std::string() : std::string(lineEnd)) + lines);
        candidates.push_back(std::move(inserted));
    }
    candidates.push_back(WithSectionAppended(text, lineEnd, key.Path, lines));
    return FirstThatHolds(candidates, layout.Encoding, wanted);
}
