// The .reg text of a hive: reading REGEDIT4 and version 5 exports, writing REGEDIT4
// and single values in either form.
#include "platform/RegistryHive.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iconv.h>
#include <optional>

namespace {

constexpr std::string_view Regedit4Header = "REGEDIT4";
constexpr std::string_view Version5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view DwordPrefix = "dword:";
constexpr std::string_view HexPrefix = "hex";
constexpr size_t MaxDwordDigits = 8;
constexpr size_t HexLineWidth = 76;     // keeps written lines within 80 columns, as regedit does
constexpr std::string_view Blanks = " \t";
constexpr std::string_view TrailingBlanks = " \t\r";

// Converts text between two encodings; nothing when the bytes are not valid
// in the first one.
std::optional<std::string> Convert(std::string_view bytes, const char* from, const char* to)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    return Convert(bytes, "UTF-16LE", "UTF-8");
}

std::optional<std::string> Utf8ToUtf16Le(std::string_view bytes)
{
    return Convert(bytes, "UTF-8", "UTF-16LE");
}

bool IsStringType(uint32_t type)
{
    return type == RegType::Sz || type == RegType::ExpandSz || type == RegType::MultiSz;
}

std::string_view Trimmed(std::string_view line)
{
    const size_t first = line.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    line.remove_prefix(first);
    return line.substr(0, line.find_last_not_of(TrailingBlanks) + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::optional<uint32_t> ParseHexNumber(std::string_view digits, size_t maxDigits)
{
    uint32_t value = 0;
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

class THiveReader {
public:
    // `base` is where `text` starts in the layout's text.
    THiveReader(std::string_view text, bool version5, THiveLayout* layout, size_t base)
        : Text(text), Version5(version5), Layout(layout), Base(base)
    {
    }

    TRegistryHive Read()
    {
        while (NextLine()) {
            const std::string_view line = Trimmed(Line);
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[')
                ReadKeyLine(line);
            else if (line.front() == '"' || line.front() == '@')
                ReadValueLine(line);
            else
                Fail("neither a key nor a value");
        }
        return std::move(Hive);
    }

private:
    std::string_view Text;
    bool Version5;
    THiveLayout* Layout;
    size_t Base;
    size_t Pos = 0;
    size_t LineStart = 0;
    size_t LineNumber = 1;      // the header was line 1
    std::string_view Line;
    TRegistryHive Hive;
    std::string CurrentKey;
    bool SeenKey = false;
    bool InKey = false;         // false before the first key and after a key removal

    bool NextLine()
    {
        if (Pos >= Text.size())
            return false;
        LineStart = Pos;
        const size_t end = Text.find('\n', Pos);
        Line = Text.substr(Pos, end == std::string_view::npos ? std::string_view::npos : end - Pos);
        Pos = end == std::string_view::npos ? Text.size() : end + 1;
        ++LineNumber;
        return true;
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw EHiveFormatError("line " + std::to_string(LineNumber) + ": " + what);
    }

    void ReadKeyLine(std::string_view line)
    {
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos || close + 1 != line.size())
            Fail("a key line must end with ']'");
        std::string_view path = line.substr(1, close - 1);
        const bool removal = !path.empty() && path.front() == '-';
        if (removal)
            path.remove_prefix(1);
        if (path.empty())
            Fail("empty key path");
        SeenKey = true;
        if (Layout)
            Layout->Sections.push_back({std::string(path), removal, Base + Pos});
        if (removal) {
            Hive.RemoveKey(path);
            InKey = false;
            return;
        }
        CurrentKey = Hive.AddKey(path).Path;
        InKey = true;
    }

    // Reads a quoted text starting at line[pos] (the opening quote), undoing
    // the \\ and \" escapes; any other backslash stands for itself.
    std::string ReadQuoted(std::string_view line, size_t& pos) const
    {
        std::string text;
        for (++pos; pos < line.size(); ++pos) {
            const char c = line[pos];
            if (c == '"') {
                ++pos;
                return text;
            }
            if (c == '\\' && pos + 1 < line.size() && (line[pos + 1] == '\\' || line[pos + 1] == '"'))
                ++pos;
            text += line[pos];
        }
        Fail("missing closing quote");
    }

    void ReadValueLine(std::string_view line)
    {
        const size_t begin = LineStart;
        size_t pos = 0;
        std::string name;
        if (line.front() == '@')
            pos = 1;
        else
            name = ReadQuoted(line, pos);
        while (pos < line.size() && Blanks.find(line[pos]) != std::string_view::npos)
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            Fail("missing '=' after the value name");
        const std::string_view data = Trimmed(line.substr(pos + 1));
        if (!SeenKey)
            Fail("value before the first key");
        THiveValue value{name, RegType::None, {}};
        if (data == "-") {
            if (InKey)
                Hive.FindKey(CurrentKey)->RemoveValue(name);
            NoteValueLines(name, begin, false);
            return;
        }
        if (!data.empty() && data.front() == '"')
            ReadStringData(data, value);
        else if (StartsWithNoCase(data, DwordPrefix))
            ReadDwordData(data.substr(DwordPrefix.size()), value);
        else if (StartsWithNoCase(data, HexPrefix))
            ReadHexData(data.substr(HexPrefix.size()), value);
        else
            Fail("unknown kind of value data");
        NoteValueLines(value.Name, begin, true);
        // Values under a removed key are dropped, as the platform's import drops them.
        if (InKey)
            Hive.FindKey(CurrentKey)->SetValue(value.Name, value.Type, std::move(value.Data));
    }

    // A value ends its section's stretch of values, removals included, so a
    // value added later lands after them and is not removed again.
    void NoteValueLines(const std::string& name, size_t begin, bool setsData)
    {
        if (!Layout)
            return;
        Layout->Sections.back().InsertAt = Base + Pos;
        if (setsData)
            Layout->Values.push_back({Layout->Sections.size() - 1, name, Base + begin, Base + Pos});
    }

    void ReadStringData(std::string_view data, THiveValue& value) const
    {
        size_t pos = 0;
        const std::string text = ReadQuoted(data, pos);
        if (pos != data.size())
            Fail("text after the closing quote");
        value.Type = RegType::Sz;
        value.Data.assign(text.begin(), text.end());
        value.Data.push_back(0);
    }

    void ReadDwordData(std::string_view digits, THiveValue& value) const
    {
        const std::optional<uint32_t> number = ParseHexNumber(digits, MaxDwordDigits);
        if (!number)
            Fail("a dword needs 1 to 8 hexadecimal digits");
        value.Type = RegType::Dword;
        for (int shift = 0; shift < 32; shift += 8)
            value.Data.push_back(static_cast<uint8_t>(*number >> shift));
    }

    // "hex:" is binary data, "hex(N):" data of type N; the bytes may continue
    // over several lines, each but the last ending in a backslash.
    void ReadHexData(std::string_view rest, THiveValue& value)
    {
        value.Type = RegType::Binary;
        if (!rest.empty() && rest.front() == '(') {
            const size_t close = rest.find(')');
            const std::optional<uint32_t> type =
                close == std::string_view::npos ? std::nullopt : ParseHexNumber(rest.substr(1, close - 1), MaxDwordDigits);
            if (!type)
                Fail("bad type number in hex(...)");
            value.Type = *type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':')
            Fail("missing ':' after hex");
        std::string bytes(Trimmed(rest.substr(1)));
        while (!bytes.empty() && bytes.back() == '\\') {
            bytes.pop_back();
            if (!NextLine())
                Fail("hex data continues past the end of the text");
            bytes += Trimmed(Line);
        }
        std::string_view list = bytes;
        while (!list.empty()) {
            const size_t comma = list.find(',');
            const std::string_view token = Trimmed(list.substr(0, comma));
            const std::optional<uint32_t> byte = ParseHexNumber(token, 2);
            if (!byte)
                Fail("bad byte in hex data");
            value.Data.push_back(static_cast<uint8_t>(*byte));
            list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        }
        if (Version5)
            StringDataToUtf8(value);
    }

    // A version 5 export keeps the text of string types in UTF-16LE; the hive
    // keeps every text in UTF-8. Data that is not UTF-16 stays as it was.
    static void StringDataToUtf8(THiveValue& value)
    {
        if (!IsStringType(value.Type))
            return;
        const std::string_view raw(reinterpret_cast<const char*>(value.Data.data()), value.Data.size());
        if (std::optional<std::string> text = Utf16LeToUtf8(raw))
            value.Data.assign(text->begin(), text->end());
    }
};

void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// A string value is written as quoted text when it reads back the same:
// exactly one terminating zero and nothing that would break the line.
bool IsPlainText(const TRegData& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    return std::none_of(data.begin(), data.end() - 1, [](uint8_t byte) { return byte < 0x20 || byte == 0x7F; });
}

void AppendHex(std::string& out, const THiveValue& value)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string line = out.substr(out.rfind('\n') + 1);
    out.resize(out.size() - line.size());
    if (value.Type == RegType::Binary) {
        line += "hex:";
    } else {
        char number[9];
        const auto end = std::to_chars(number, number + sizeof number, value.Type, 16).ptr;
        line += "hex(" + std::string(number, end) + "):";
    }
    for (size_t i = 0; i < value.Data.size(); ++i) {
        std::string token{Digits[value.Data[i] >> 4], Digits[value.Data[i] & 0xF]};
        if (i + 1 < value.Data.size())
            token += ',';
        if (line.size() + token.size() > HexLineWidth && line.back() == ',') {
            out += line + "\\\n";
            line = "  ";
        }
        line += token;
    }
    out += line;
}

void AppendValue(std::string& out, const THiveValue& value)
{
    if (value.Name.empty())
        out += '@';
    else
        AppendQuoted(out, value.Name);
    out += '=';
    if (value.Type == RegType::Sz && IsPlainText(value.Data)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.Data.data()), value.Data.size() - 1));
    } else if (value.Type == RegType::Dword && value.Data.size() == 4) {
        char digits[16];
        const uint32_t number = value.Data[0] | value.Data[1] << 8 | value.Data[2] << 16 | uint32_t(value.Data[3]) << 24;
        const auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
        out += DwordPrefix;
        out += std::string(MaxDwordDigits - (end - digits), '0') + std::string(digits, end);
    } else {
        AppendHex(out, value);
    }
    out += '\n';
}

}

TRegistryHive ParseHive(std::string_view bytes, THiveLayout* layout)
{
    std::string text;
    THiveEncoding encoding = THiveEncoding::heUtf8;
    if (bytes.starts_with(Utf16LeMark)) {
        encoding = THiveEncoding::heUtf16Le;
        std::optional<std::string> decoded = Utf16LeToUtf8(bytes.substr(Utf16LeMark.size()));
        if (!decoded)
            throw EHiveFormatError("the text is not valid UTF-16LE");
        text = std::move(*decoded);
    } else {
        if (bytes.starts_with(Utf8Mark)) {
            encoding = THiveEncoding::heUtf8WithMark;
            bytes.remove_prefix(Utf8Mark.size());
        }
        text = bytes;
    }
    if (text.find('\0') != std::string::npos)
        throw EHiveFormatError("the text holds a zero byte");
    const size_t headerEnd = text.find('\n');
    const std::string_view header = Trimmed(std::string_view(text).substr(0, headerEnd));
    const bool version5 = header == Version5Header;
    if (header != Regedit4Header && !version5)
        throw EHiveFormatError("line 1: not a registry file (no \"REGEDIT4\" header)");
    const size_t bodyStart = headerEnd == std::string::npos ? text.size() : headerEnd + 1;
    TRegistryHive hive = THiveReader(std::string_view(text).substr(bodyStart), version5, layout, bodyStart).Read();
    if (layout) {
        layout->Encoding = encoding;
        layout->Version5 = version5;
        layout->Text = std::move(text);
    }
    return hive;
}

std::string FormatValueLines(const THiveValue& value, bool version5)
{
    std::string out;
    const bool quoted = value.Type == RegType::Sz && IsPlainText(value.Data);
    if (version5 && IsStringType(value.Type) && !quoted) {
        const std::string_view utf8(reinterpret_cast<const char*>(value.Data.data()), value.Data.size());
        if (const std::optional<std::string> utf16 = Utf8ToUtf16Le(utf8)) {
            THiveValue wide = value;
            wide.Data.assign(utf16->begin(), utf16->end());
            AppendValue(out, wide);
            return out;
        }
    }
    AppendValue(out, value);
    return out;
}

std::optional<std::string> EncodeHiveText(std::string_view text, THiveEncoding encoding)
{
    switch (encoding) {
    case THiveEncoding::heUtf16Le:
        if (const std::optional<std::string> wide = Utf8ToUtf16Le(text))
            return std::string(Utf16LeMark) + *wide;
        return std::nullopt;
    case THiveEncoding::heUtf8WithMark:
        return std::string(Utf8Mark) + std::string(text);
    case THiveEncoding::heUtf8:
        break;
    }
    return std::string(text);
}

std::string FormatHive(const TRegistryHive& hive)
{
    std::string out(Regedit4Header);
    out += "\n\n";
    for (const THiveKey& key : hive.Keys) {
        out += '[' + key.Path + "]\n";
        for (const THiveValue& value : key.Values)
            AppendValue(out, value);
        out += '\n';
    }
    return out;
}
