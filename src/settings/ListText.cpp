#include "settings/ListText.h"

// Both readers scan byte by byte. That is the same as scanning character by
// character in the multibyte code page: in UTF-8 every byte of a multibyte
// character is 0x80 or above, and the trail bytes of the East Asian double-byte
// code pages start at 0x40, so no trail byte can look like a blank, a control
// character, a comma or a double quote.

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char Delimiter = ',';
constexpr char QuoteChar = '"';

// Blanks and control characters, the separators of comma text.
bool IsBlank(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= ' ';
}

bool NeedsQuotes(const std::string& entry)
{
    for (char c : entry)
        if (static_cast<unsigned char>(c) <= ' ' || c == QuoteChar || c == Delimiter)
            return true;
    return false;
}

std::string Quoted(const std::string& entry)
{
    std::string result(1, QuoteChar);
    for (char c : entry) {
        result += c;
        if (c == QuoteChar)
            result += QuoteChar;
    }
    result += QuoteChar;
    return result;
}

// Reads a quoted entry starting at text[pos] (the opening quote) and leaves
// pos after its closing quote. An entry without a closing quote runs to the
// end of the text.
std::string ExtractQuoted(std::string_view text, size_t& pos)
{
    std::string entry;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c != QuoteChar) {
            entry += c;
            continue;
        }
        if (pos < text.size() && text[pos] == QuoteChar) {
            entry += QuoteChar;
            ++pos;
            continue;
        }
        break;
    }
    return entry;
}

// A byte 0 ends the text, as it ends the string stored in the registry.
std::string_view UpToZero(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
}

}

TStringList ReadLineText(std::string_view text)
{
    text = UpToZero(text);
    TStringList list;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        while (pos < text.size() && text[pos] != CR && text[pos] != LF)
            ++pos;
        list.emplace_back(text.substr(start, pos - start));
        if (pos < text.size() && text[pos] == CR)
            ++pos;
        if (pos < text.size() && text[pos] == LF)
            ++pos;
    }
    return list;
}

std::string WriteLineText(const TStringList& list)
{
    std::string text;
    for (const std::string& entry : list) {
        text += entry;
        text += CR;
        text += LF;
    }
    return text;
}

TStringList ReadCommaText(std::string_view text)
{
    text = UpToZero(text);
    TStringList list;
    size_t pos = 0;
    SkipBlanks(text, pos);
    while (pos < text.size()) {
        if (text[pos] == QuoteChar) {
            list.push_back(ExtractQuoted(text, pos));
        } else {
            const size_t start = pos;
            while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != Delimiter)
                ++pos;
            list.emplace_back(text.substr(start, pos - start));
        }
        SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == Delimiter) {
            // A comma that ends the text stands before one more, empty, entry.
            if (pos + 1 == text.size())
                list.emplace_back();
            ++pos;
            SkipBlanks(text, pos);
        }
    }
    return list;
}

std::string WriteCommaText(const TStringList& list)
{
    // A lone empty entry would otherwise be the empty text, which reads as
    // no entry at all.
    if (list.size() == 1 && list.front().empty())
        return std::string(2, QuoteChar);
    std::string text;
    bool first = true;
    for (const std::string& entry : list) {
        if (!first)
            text += Delimiter;
        first = false;
        text += NeedsQuotes(entry) ? Quoted(entry) : entry;
    }
    return text;
}
