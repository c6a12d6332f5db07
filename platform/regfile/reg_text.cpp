#include "platform/regfile/reg_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {
constexpr std::string_view RootPrefix = "HKEY_CURRENT_USER\\";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// Also drops a line's own terminator: lines are kept with it, so they are written back
// exactly as they were read.
std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string_view TerminatorOf(std::string_view line) {
    return line.ends_with("\r\n") ? "\r\n" : line.ends_with('\n') ? "\n" : "";
}

// UTF-16LE to UTF-8; a lone surrogate is kept as its own three-byte sequence so that a
// rewrite gives back exactly the units that were read.
void AppendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const uint32_t low =
                static_cast<uint8_t>(bytes[i + 2]) | static_cast<uint8_t>(bytes[i + 3]) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendCodePoint(out, unit);
    }
    return out;
}

void AppendUnit(std::string& out, uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

std::string Utf8ToUtf16(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t cp = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k)
            cp = cp << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUnit(out, 0xD800 + (cp >> 10));
            AppendUnit(out, 0xDC00 + (cp & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
    }
    return out;
}

bool IsValueLine(std::string_view line) {
    line = TrimLeft(line);
    return !line.empty() && (line.front() == '"' || line.front() == '@');
}

// A value line whose last physical line ends in a backslash takes the next line as more
// of its data.
bool TakesNextLine(std::string_view line) {
    if (!IsValueLine(line)) return false;
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (const size_t start = line.rfind('\n'); start != std::string_view::npos)
        line.remove_prefix(start + 1);
    return Trim(line).ends_with('\\');
}

// The key a line opens, or nullopt for any other line.
std::optional<std::string_view> KeyOfLine(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return line.substr(1, line.size() - 2);
}

bool IsOurKey(std::string_view line, std::string_view key) {
    const auto name = KeyOfLine(line);
    return name && name->size() == RootPrefix.size() + key.size() &&
           SameName(name->substr(0, RootPrefix.size()), RootPrefix) &&
           SameName(name->substr(RootPrefix.size()), key);
}

// Reads a quoted string with the format's two escapes; false when it is not closed.
bool ReadQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return true;
        } else {
            out += s[i];
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Joins the continuation lines of a value's data: a backslash at the end of a line
// continues the data on the next, after its indentation.
std::string JoinContinuations(std::string_view data) {
    std::string out;
    size_t i = 0;
    while (i < data.size()) {
        if (data[i] == '\\') {
            size_t j = i + 1;
            while (j < data.size() && (data[j] == ' ' || data[j] == '\t' || data[j] == '\r'))
                ++j;
            if (j < data.size() && data[j] == '\n') {
                i = j + 1;
                while (i < data.size() && (data[i] == ' ' || data[i] == '\t'))
                    ++i;
                continue;
            }
        }
        out += data[i++];
    }
    return out;
}

std::optional<std::vector<uint8_t>> ParseHexList(std::string_view s) {
    std::vector<uint8_t> bytes;
    s = Trim(s);
    if (s.empty()) return bytes;
    while (true) {
        s = TrimLeft(s);
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(HexDigit(s[0]) << 4 | HexDigit(s[1])));
        s = Trim(s.substr(2));
        if (s.empty()) return bytes;
        if (s.front() != ',') return std::nullopt;
        s.remove_prefix(1);
    }
}

std::optional<RegValue> ParseData(std::string_view data) {
    data = Trim(data);
    if (data.starts_with('"')) {
        std::string text;
        if (!ReadQuoted(data, text) || !Trim(data).empty()) return std::nullopt;
        RegValue value{1, std::vector<uint8_t>(text.begin(), text.end())};
        value.Data.push_back(0);
        return value;
    }
    if (data.starts_with("dword:")) {
        const std::string_view digits = Trim(data.substr(6));
        if (digits.size() != 8) return std::nullopt;
        uint32_t number = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) return std::nullopt;
            number = number << 4 | static_cast<uint32_t>(HexDigit(c));
        }
        return RegValue{4,
                        {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                         static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)}};
    }
    uint32_t type = 3;
    if (data.starts_with("hex(")) {
        const size_t close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return std::nullopt;
        type = 0;
        for (char c : data.substr(4, close - 4)) {
            if (HexDigit(c) < 0) return std::nullopt;
            type = type << 4 | static_cast<uint32_t>(HexDigit(c));
        }
        data.remove_prefix(close + 2);
    } else if (data.starts_with("hex:")) {
        data.remove_prefix(4);
    } else {
        return std::nullopt; // "-" deletes the value; anything else is not a value
    }
    auto bytes = ParseHexList(data);
    if (!bytes) return std::nullopt;
    return RegValue{type, std::move(*bytes)};
}

// The value name a line sets, and where its data starts; nullopt for other lines.
std::optional<std::pair<std::string, std::string_view>> SplitValueLine(std::string_view line) {
    line = TrimLeft(line);
    std::string name;
    if (line.starts_with('@')) {
        line.remove_prefix(1);
    } else if (!ReadQuoted(line, name)) {
        return std::nullopt;
    }
    line = TrimLeft(line);
    if (!line.starts_with('=')) return std::nullopt;
    return std::pair{std::move(name), line.substr(1)};
}

// Calls visit(lineIndex) for every line inside a section of the key.
template <typename Visit>
void ForEachKeyLine(const RegDocument& document, std::string_view key, Visit visit) {
    bool inside = false;
    for (size_t i = 0; i < document.Lines.size(); ++i) {
        if (KeyOfLine(document.Lines[i])) {
            inside = IsOurKey(document.Lines[i], key);
            continue;
        }
        if (inside) visit(i);
    }
}

std::optional<size_t> LastValueLine(const RegDocument& document, std::string_view key,
                                    std::string_view name) {
    std::optional<size_t> found;
    ForEachKeyLine(document, key, [&](size_t i) {
        const auto split = SplitValueLine(document.Lines[i]);
        if (split && SameName(split->first, name)) found = i;
    });
    return found;
}

// Cuts the text at the last line end within the read limit; what follows is kept raw.
size_t CutAtLimit(std::string_view body, bool utf16) {
    if (body.size() <= RegReadLimit) return body.size();
    for (size_t i = RegReadLimit; i >= 2; --i) {
        const bool lineEnd =
            utf16 ? i % 2 == 0 && body[i - 2] == '\n' && body[i - 1] == '\0' : body[i - 1] == '\n';
        if (lineEnd) return i;
    }
    return 0;
}

// Splits the text after any byte-order mark into lines, up to the read limit.
void ReadLines(RegDocument& document, std::string_view body) {
    size_t cut = CutAtLimit(body, document.Utf16);
    if (document.Utf16) cut -= cut % 2; // an odd last byte is no unit; keep it raw
    document.Tail = std::string(body.substr(cut));
    const std::string text =
        document.Utf16 ? Utf16ToUtf8(body.substr(0, cut)) : std::string(body.substr(0, cut));
    bool sawLineEnd = false;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end == std::string_view::npos ? end : end + 1);
        rest.remove_prefix(line.size());
        if (!sawLineEnd && end != std::string_view::npos) {
            sawLineEnd = true;
            document.LineEnd = TerminatorOf(line);
        }
        if (!document.Lines.empty() && TakesNextLine(document.Lines.back()))
            document.Lines.back().append(line);
        else
            document.Lines.emplace_back(line);
    }
}
} // namespace

RegDocument ParseRegText(std::string_view bytes) {
    RegDocument document;
    std::string_view body = bytes;
    if (body.starts_with("\xFF\xFE")) {
        document.Utf16 = true;
        body.remove_prefix(2);
    } else if (body.starts_with("\xEF\xBB\xBF")) {
        document.Utf8Bom = true;
        body.remove_prefix(3);
    }
    ReadLines(document, body);
    if (!document.Lines.empty()) {
        const std::string_view first = Trim(document.Lines.front());
        document.HasHeader = first == RegHeader || first == "REGEDIT4";
    }
    return document;
}

RegDocument ParseRegTextPart(std::string_view bytes, bool utf16) {
    RegDocument document;
    document.Utf16 = utf16;
    document.Part = true;
    document.HasHeader = true; // the file's own, before this part
    ReadLines(document, bytes);
    return document;
}

std::string SerializeRegText(const RegDocument& document) {
    std::string text;
    if (!document.HasHeader)
        text.append(RegHeader).append(document.LineEnd).append(document.LineEnd);
    for (size_t i = 0; i < document.Lines.size(); ++i) {
        text.append(document.Lines[i]);
        // Only the very last line may stay unterminated, as it was read.
        if (TerminatorOf(document.Lines[i]).empty() && i + 1 < document.Lines.size())
            text.append(document.LineEnd);
    }
    std::string bytes;
    if (document.Utf16)
        bytes.append(document.Part ? "" : "\xFF\xFE").append(Utf8ToUtf16(text));
    else
        bytes.append(document.Utf8Bom ? "\xEF\xBB\xBF" : "").append(text);
    return bytes.append(document.Tail);
}

bool HasRegKey(const RegDocument& document, std::string_view key) {
    return std::any_of(document.Lines.begin(), document.Lines.end(),
                       [&](const std::string& line) { return IsOurKey(line, key); });
}

bool IsRewritableRegText(const RegDocument& document) {
    return document.HasHeader ||
           (document.Tail.empty() &&
            std::all_of(document.Lines.begin(), document.Lines.end(),
                        [](const std::string& line) { return Trim(line).empty(); }));
}

std::optional<size_t> FindCutKeySection(const RegDocument& document, std::string_view key) {
    if (document.Tail.empty()) return std::nullopt;
    size_t offset = document.Part ? 0 : document.Utf16 ? 2 : document.Utf8Bom ? 3 : 0;
    std::optional<size_t> start;
    for (const std::string& line : document.Lines) {
        if (KeyOfLine(line)) start = IsOurKey(line, key) ? std::optional(offset) : std::nullopt;
        offset += document.Utf16 ? Utf8ToUtf16(line).size() : line.size();
    }
    return start;
}

bool OpensRegKey(std::string_view line, std::string_view key, bool utf16) {
    if (!utf16) return IsOurKey(line, key);
    return IsOurKey(Utf16ToUtf8(line), key);
}

void AddRegKey(RegDocument& document, std::string_view key) {
    const std::string line = "[" + std::string(RootPrefix) + std::string(key) + "]";
    if (!document.Tail.empty())
        for (size_t i = document.Lines.size(); i-- > 0;)
            if (KeyOfLine(document.Lines[i])) {
                const auto at = document.Lines.begin() + static_cast<std::ptrdiff_t>(i);
                document.Lines.insert(at, {line + document.LineEnd, document.LineEnd});
                return;
            }
    if (!document.Lines.empty() && !Trim(document.Lines.back()).empty())
        document.Lines.push_back(document.LineEnd);
    document.Lines.push_back(line + document.LineEnd);
}

std::optional<RegValue> FindRegValue(const RegDocument& document, std::string_view key,
                                     std::string_view name) {
    const auto line = LastValueLine(document, key, name);
    if (!line) return std::nullopt;
    return ParseRegEntry(document.Lines[*line]);
}

bool HasRegValueEntry(const RegDocument& document, std::string_view key, std::string_view name) {
    return LastValueLine(document, key, name).has_value();
}

std::vector<std::pair<std::string, std::string>> RegKeyEntries(const RegDocument& document,
                                                               std::string_view key) {
    std::vector<std::pair<std::string, std::string>> entries;
    ForEachKeyLine(document, key, [&](size_t i) {
        if (auto split = SplitValueLine(document.Lines[i]))
            entries.emplace_back(std::move(split->first), document.Lines[i]);
    });
    return entries;
}

std::optional<RegValue> ParseRegEntry(std::string_view line) {
    const auto split = SplitValueLine(line);
    if (!split) return std::nullopt;
    return ParseData(JoinContinuations(split->second));
}

void SetRegValue(RegDocument& document, std::string_view key, std::string_view name,
                 const RegValue& value) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string line = "\"";
    line.append(name).append("\"=");
    if (value.Type == 4 && value.Data.size() == 4) {
        line += "dword:";
        for (int i = 3; i >= 0; --i)
            line.append({Digits[value.Data[i] >> 4], Digits[value.Data[i] & 0xF]});
    } else {
        if (value.Type == 3) {
            line += "hex:";
        } else {
            char type[24];
            std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.Type));
            line += type;
        }
        for (size_t i = 0; i < value.Data.size(); ++i) {
            if (i > 0) line += ',';
            line.append({Digits[value.Data[i] >> 4], Digits[value.Data[i] & 0xF]});
        }
    }
    if (const auto existing = LastValueLine(document, key, name)) {
        line.append(TerminatorOf(document.Lines[*existing]));
        document.Lines[*existing] = std::move(line);
        return;
    }
    line.append(document.LineEnd);
    if (!HasRegKey(document, key)) AddRegKey(document, key);
    // After the last value of the key's last section, or right after its key line.
    size_t insertAt = 0;
    for (size_t i = 0; i < document.Lines.size(); ++i)
        if (IsOurKey(document.Lines[i], key)) insertAt = i + 1;
    for (size_t i = insertAt; i < document.Lines.size() && !KeyOfLine(document.Lines[i]); ++i)
        if (SplitValueLine(document.Lines[i])) insertAt = i + 1;
    // A dangling continuation would swallow the new line; a blank line ends it.
    if (TakesNextLine(document.Lines[insertAt - 1]))
        document.Lines.insert(document.Lines.begin() + static_cast<std::ptrdiff_t>(insertAt++),
                              document.LineEnd);
    document.Lines.insert(document.Lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                          std::move(line));
}
