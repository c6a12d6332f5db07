#include <gtest/gtest.h>

#include <string>

#include "platform/regfile/reg_text.h"

namespace {
constexpr std::string_view Key = "Software\\Orvandel\\Glimmerhex";

std::string Utf16(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

struct ParseCase {
    const char* Name;
    std::string Text;
    const char* Value;
    int Type; // -1: missing
    std::vector<uint8_t> Data;
};

const std::string Header = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string Section = "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n";
} // namespace

TEST(RegText, ValuesAsTheFormatWritesThem) {
    const ParseCase cases[] = {
        {"binary", Header + Section + "\"Version\"=hex:03\r\n", "Version", 3, {3}},
        {"lf line ends",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\"
         "Orvandel\\Glimmerhex]\n\"Version\"=hex:03\n",
         "Version",
         3,
         {3}},
        {"dword", Header + Section + "\"Version\"=dword:00000102\r\n", "Version", 4, {2, 1, 0, 0}},
        {"typed hex", Header + Section + "\"Version\"=hex(b):07\r\n", "Version", 11, {7}},
        {"string",
         Header + Section + "\"Version\"=\"a\\\"b\"\r\n",
         "Version",
         1,
         {'a', '"', 'b', 0}},
        {"empty binary", Header + Section + "\"Version\"=hex:\r\n", "Version", 3, {}},
        {"continued",
         Header + Section + "\"Version\"=hex:01,02,\\\r\n  03\r\n",
         "Version",
         3,
         {1, 2, 3}},
        {"names ignore case",
         Header + "[hkey_current_user\\software\\orvandel\\GLIMMERHEX]\r\n\"version\"=hex:09\r\n",
         "Version",
         3,
         {9}},
        {"last duplicate counts",
         Header + Section + "\"Version\"=hex:01\r\n\"Version\"=hex:02\r\n",
         "Version",
         3,
         {2}},
        {"duplicate across sections",
         Header + Section + "\"Version\"=hex:01\r\n[HKEY_CURRENT_USER\\Other]\r\n" + Section +
             "\"Version\"=hex:05\r\n",
         "Version",
         3,
         {5}},
        {"deleted",
         Header + Section + "\"Version\"=hex:01\r\n\"Version\"=-\r\n",
         "Version",
         -1,
         {}},
        {"outside any key", Header + "\"Version\"=hex:01\r\n", "Version", -1, {}},
        {"under another key",
         Header + "[HKEY_CURRENT_USER\\Software\\Orvandel\\Other]\r\n\"Version\"=hex:01\r\n",
         "Version",
         -1,
         {}},
        {"bad digits", Header + Section + "\"Version\"=hex:0g\r\n", "Version", -1, {}},
        {"short dword", Header + Section + "\"Version\"=dword:123\r\n", "Version", -1, {}},
        {"unclosed string", Header + Section + "\"Version\"=\"abc\r\n", "Version", -1, {}},
        {"utf-16", Utf16(Header + Section + "\"Version\"=hex:03\r\n"), "Version", 3, {3}},
        {"utf-8 mark",
         "\xEF\xBB\xBF" + Header + Section + "\"Version\"=hex:04\r\n",
         "Version",
         3,
         {4}},
        {"no header", Section + "\"Version\"=hex:03\r\n", "Version", 3, {3}},
        {"empty file", "", "Version", -1, {}},
        {"truncated", Header + Section + "\"Vers", "Version", -1, {}},
    };
    for (const ParseCase& c : cases) {
        const RegDocument document = ParseRegText(c.Text);
        const auto value = FindRegValue(document, Key, c.Value);
        if (c.Type < 0) {
            EXPECT_FALSE(value.has_value()) << c.Name;
            continue;
        }
        ASSERT_TRUE(value.has_value()) << c.Name;
        EXPECT_EQ(value->Type, static_cast<uint32_t>(c.Type)) << c.Name;
        EXPECT_EQ(value->Data, c.Data) << c.Name;
    }
}

TEST(RegText, RewritingKeepsEveryLineItDoesNotOwn) {
    const std::string original = Header +
                                 "; a comment\r\n[HKEY_CURRENT_USER\\Other]\r\n"
                                 "\"Version\"=hex:07\r\n\r\n" +
                                 Section +
                                 "\"Extra\"=\"kept\"\r\n\"Version\"=hex:02\r\n\r\n"
                                 "[HKEY_CURRENT_USER\\Later]\r\n@=\"x\"\r\n";
    RegDocument document = ParseRegText(original);
    SetRegValue(document, Key, "Version", {3, {3}});
    SetRegValue(document, Key, "PaletteScheme", {3, {200}});
    const std::string expected = Header +
                                 "; a comment\r\n[HKEY_CURRENT_USER\\Other]\r\n"
                                 "\"Version\"=hex:07\r\n\r\n" +
                                 Section +
                                 "\"Extra\"=\"kept\"\r\n\"Version\"=hex:03\r\n"
                                 "\"PaletteScheme\"=hex:c8\r\n\r\n"
                                 "[HKEY_CURRENT_USER\\Later]\r\n@=\"x\"\r\n";
    EXPECT_EQ(SerializeRegText(document), expected);
}

TEST(RegText, ANewKeyGetsTheHeaderAndASection) {
    RegDocument document = ParseRegText("");
    EXPECT_FALSE(HasRegKey(document, Key));
    SetRegValue(document, Key, "Version", {3, {3}});
    EXPECT_EQ(SerializeRegText(document), Header + Section + "\"Version\"=hex:03\r\n");
}

TEST(RegText, Utf16StaysUtf16AndSurvivesUnchanged) {
    std::string text = Utf16(Header + Section + "\"Name\"=\"caf");
    for (uint16_t unit : {0x00E9, 0xD83D, 0xDE00, 0xD800}) { // a pair, then a lone surrogate
        text += static_cast<char>(unit & 0xFF);
        text += static_cast<char>(unit >> 8);
    }
    text += Utf16("\"\r\n\"Version\"=hex:03\r\n").substr(2);
    RegDocument document = ParseRegText(text);
    EXPECT_TRUE(document.Utf16);
    EXPECT_EQ(SerializeRegText(document), text);
    SetRegValue(document, Key, "Version", {3, {2}});
    std::string changed = text;
    changed[changed.size() - 6] = '2';
    EXPECT_EQ(SerializeRegText(document), changed);
}

TEST(RegText, TheReaderStopsAtItsLimitAndKeepsTheRest) {
    const std::string head = Header + Section + "\"Version\"=hex:03\r\n";
    std::string filler;
    while (filler.size() < RegReadLimit)
        filler += "; " + std::string(98, 'x') + "\r\n";
    const std::string late = Section + "\"GraphicEffect\"=hex:05\r\n";
    const std::string text = head + filler + late;
    RegDocument document = ParseRegText(text);
    EXPECT_TRUE(FindRegValue(document, Key, "Version").has_value());
    EXPECT_FALSE(FindRegValue(document, Key, "GraphicEffect").has_value())
        << "past the limit counts as missing";
    EXPECT_EQ(SerializeRegText(document), text) << "and is written back as it was";
}

// A section that the limit cuts may hold values past it: where its key line starts in the
// file, whatever comes before it, so that the reading can go on from there.
TEST(RegText, TheKeySectionTheLimitCutsIsFoundInEachEncoding) {
    const std::pair<std::string, size_t> encodings[] = {
        {"", 1}, {"\xEF\xBB\xBF", 1}, {"\xFF\xFE", 2}};
    for (const auto& [mark, width] : encodings) { // the mark, and bytes a character
        const std::string lead =
            Header + "; " + std::string(RegReadLimit / width - 500, 'y') + "\r\n";
        const std::string text = lead + Section + "; " + std::string(1000, 'z');
        const RegDocument document = ParseRegText(width == 2 ? Utf16(text) : mark + text);
        EXPECT_EQ(FindCutKeySection(document, Key), mark.size() + lead.size() * width) << width;
    }
}

TEST(RegText, HostileInputNeverBreaksTheReader) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    const std::string longLine = Header + Section + "\"Version\"=hex:" + std::string(100000, '0');
    for (const std::string& text : {garbage, longLine, Utf16(garbage), std::string("\xFF\xFE\x41"),
                                    std::string(100000, '\n'), std::string("\"=\\\n\\\n[")}) {
        const RegDocument document = ParseRegText(text);
        EXPECT_FALSE(FindRegValue(document, Key, "Version").has_value());
        EXPECT_EQ(SerializeRegText(ParseRegText(SerializeRegText(document))),
                  SerializeRegText(document));
    }
}
