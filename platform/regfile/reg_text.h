// The registry's text export format ("Windows Registry Editor Version 5.00"), read and
// written so that every line the program does not own survives a rewrite unchanged.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::string_view RegHeader = "Windows Registry Editor Version 5.00";
inline constexpr size_t RegReadLimit = 1 << 20; // bytes parsed; the rest is kept unread

struct RegValue {
    uint32_t Type; // 1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD, or the N of hex(N)
    std::vector<uint8_t> Data;
};

struct RegDocument {
    bool Utf16 = false;   // UTF-16LE with a byte-order mark, as the system editor exports
    bool Utf8Bom = false; // a UTF-8 byte-order mark to write back
    bool HasHeader = false;
    bool Part = false; // read from inside a file: no byte-order mark or header of its own
    std::string LineEnd = "\r\n";
    std::vector<std::string> Lines; // logical lines, continuations included verbatim
    std::string Tail;               // bytes past the read limit, written back as they were
};

RegDocument ParseRegText(std::string_view bytes);
// The text of a file from one of its key lines on, in the file's encoding (read with
// ParseRegText from its start); written back, it gets no byte-order mark or header.
RegDocument ParseRegTextPart(std::string_view bytes, bool utf16);
std::string SerializeRegText(const RegDocument& document);
// Whether the text is an export the program may rewrite: it starts with the format's
// header, or holds blank lines alone with nothing past the read limit (a new file). Other
// text (another encoding, another kind of file) is not the program's to change.
bool IsRewritableRegText(const RegDocument& document);
// Where the last section read starts in the bytes parsed, when it opens the key and text
// past the read limit follows: the limit may have cut off its values.
std::optional<size_t> FindCutKeySection(const RegDocument& document, std::string_view key);
// Whether a line, as the file holds it (UTF-16LE when utf16), opens the key.
bool OpensRegKey(std::string_view line, std::string_view key, bool utf16);

// Key names below HKEY_CURRENT_USER, such as "Software\Vendor\Product"; names compare
// without regard to case, as the registry's do.
bool HasRegKey(const RegDocument& document, std::string_view key);
// A new section goes at the end, or, when text past the read limit follows, before the
// last section read, which that text may continue.
void AddRegKey(RegDocument& document, std::string_view key);
// The last entry of the value in the key counts; one that cannot be parsed is missing.
std::optional<RegValue> FindRegValue(const RegDocument& document, std::string_view key,
                                     std::string_view name);
// Whether the key has an entry for the value at all: one that deletes it, or that cannot be
// parsed, is one too, and overrides what earlier text of the file set.
bool HasRegValueEntry(const RegDocument& document, std::string_view key, std::string_view name);
// Every entry of the key, in order, as the value's name and its whole line.
std::vector<std::pair<std::string, std::string>> RegKeyEntries(const RegDocument& document,
                                                               std::string_view key);
// The value an entry's line sets; nullopt when it deletes it or cannot be parsed.
std::optional<RegValue> ParseRegEntry(std::string_view line);
void SetRegValue(RegDocument& document, std::string_view key, std::string_view name,
                 const RegValue& value);
