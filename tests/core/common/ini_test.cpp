#include "common/ini.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/texts.h"

namespace {

using namespace vuv;

const std::string kSection(text::kSettingsSection);  // 基本设置
const std::string kKey(text::kKeyBrowserPath);       // 鹭行路径
// C:\程序\運\lxbr.exe; 運 is DF 5C, its trail byte a backslash.
const std::string kPath = "C:\\\xB3\xCC\xD0\xF2\\\xDF\x5C\\lxbr.exe";
const std::string kTrailBracket = "\x81\x5D";  // 乚: trail byte "]"
const std::string kTrailOpen = "\xC4\x5B";     // 腫: trail byte "["
const std::string kTrailUpperA = "\x81\x41";   // 丄: trail byte "A"
const std::string kTrailLowerA = "\x81\x61";   // 乤: trail byte "a"

std::string show(const std::optional<std::string>& v) { return v ? "\"" + *v + "\"" : "nullopt"; }

TEST(Ini, GetReadsValuesLikeTheProfileFunctions) {
    struct Case {
        std::string text, section, key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"[a]\r\nk=v\r\n", "a", "k", "v"},
        {"[Main]\r\nPath=x\r\n", "MAIN", "path", "x"},
        {"  [ a ]  \n  k  =  v  \n", " a ", "k\t", "v"},
        {"[a]\nk=\t v w \t\n", "a", "k", "v w"},
        {"[a]\nk=\"  v  \"\n", "a", "k", "  v  "},
        {"[a]\nk= 'v' \n", "a", "k", "v"},
        {"[a]\nk=\"v'\n", "a", "k", "\"v'"},
        {"[a]\nk=\"\"v\"\"\n", "a", "k", "\"v\""},
        {"[a]\nk=\"\n", "a", "k", "\""},
        {"[a]\nk=\n", "a", "k", ""},
        {"[a]\nk=a=b\n", "a", "k", "a=b"},
        {"[a]\n;k=1\n  ; k=2\nk=3\n", "a", "k", "3"},
        {"[a]\n;k=1\n", "a", "k", std::nullopt},
        {"[a]\n;k=1\n", "a", ";k", std::nullopt},
        {"[a]\nk=1\nK=2\n", "a", "k", "1"},
        {"[a]\nx=1\n[A]\nk=2\n", "a", "k", std::nullopt},
        {"[a]\nk=1\n[a]\nk=2\n", "a", "k", "1"},
        {"[a]\n[b]\nk=1\n", "a", "k", std::nullopt},
        {"k=1\n[a]\n", "a", "k", std::nullopt},
        {"[a]\nk\n", "a", "k", std::nullopt},
        {"[a] ; note\nk=1\n", "a", "k", "1"},
        {"[a\nk=1\n", "a", "k", "1"},
        {"", "a", "k", std::nullopt},
        {"[a]\nk=1\n", "b", "k", std::nullopt},
        {"[]\n=1\n", "", "", std::nullopt},
        // Line ends: CR only, LF only, mixed.
        {"[a]\rk=1\rj=2", "a", "j", "2"},
        {"[a]\nk=1\nj=2", "a", "j", "2"},
        {"[a]\r\r\nk=1\n\rj=2\r\n", "a", "j", "2"},
        // GBK names and values.
        {"[" + kSection + "]\r\n" + kKey + "=" + kPath + "\r\n", kSection, kKey, kPath},
        {"[" + kTrailBracket + "]\nk=1\n", kTrailBracket, "k", "1"},
        {"[a" + kTrailBracket + "b]\nk=1\n", "A" + kTrailBracket + "B", "K", "1"},
        {"[a]\n" + kTrailOpen + "=1\n", "a", kTrailOpen, "1"},
        {"[a]\n" + kTrailUpperA + "=1\n", "a", kTrailLowerA, std::nullopt},
        {"[a]\n" + kTrailLowerA + "=1\n", "a", kTrailLowerA, "1"},
        // An unpaired lead byte at a line end does not take the line break.
        {"[a]\nk=x\x81\nj=2\n", "a", "k", "x\x81"},
        {"[a]\nk=x\x81\nj=2\n", "a", "j", "2"},
        // A lead byte pairs with the "=" or quote after it.
        {"[a]\nk\x81=1\n", "a", "k\x81", std::nullopt},
        {"[a]\nk=\"x\x81\"\n", "a", "k", "\"x\x81\""},
        {"[" + std::string(text::kIniSectionTime) + "]\r\n" + std::string(text::kIniKeyLastOpen) + "=2024 \r\n",
         std::string(text::kIniSectionTime), std::string(text::kIniKeyLastOpen), "2024"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(show(ini::get(c.text, c.section, c.key)), show(c.expected))
            << "text: " << c.text << "\nsection: " << c.section << " key: " << c.key;
    }
}

TEST(Ini, GetCutsLongValuesAtCharacterBoundaries) {
    struct Case {
        std::string value;
        std::size_t maxBytes;
        std::string expected;
    };
    const std::string a10237(10237, 'a');
    const Case cases[] = {
        {a10237 + "xyz", ini::kDefaultMaxBytes, a10237 + "xy"},
        {a10237 + "x" + "\xB3\xCC", ini::kDefaultMaxBytes, a10237 + "x"},
        {a10237 + "\xB3\xCC" + "x", ini::kDefaultMaxBytes, a10237 + "\xB3\xCC"},
        {a10237 + "\xDF\x5C", ini::kDefaultMaxBytes, a10237 + "\xDF\x5C"},
        {"\xB3\xCC\xD0\xF2", 3, "\xB3\xCC"},
        {"\xB3\xCC\xD0\xF2", 1, ""},
        {"\"abcd\"", 2, "ab"},
    };
    for (const Case& c : cases) {
        const auto got = ini::get("[a]\nk=" + c.value + "\n", "a", "k", c.maxBytes);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->size(), c.expected.size()) << "maxBytes " << c.maxBytes;
        EXPECT_EQ(*got, c.expected);
    }
}

TEST(Ini, SetEditsOnlyTheEntryConcerned) {
    struct Case {
        std::string text, section, key, value, expected;
    };
    const Case cases[] = {
        {"", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"", " a ", "\tk ", " v ", "[a]\r\nk= v \r\n"},
        {"[b]\nx=1", "a", "k", "v", "[b]\nx=1\r\n[a]\r\nk=v\r\n"},
        {"[b]\n", "a", "k", "v", "[b]\n[a]\r\nk=v\r\n"},
        {"[b]\r", "a", "k", "v", "[b]\r[a]\r\nk=v\r\n"},
        {"; c\n[A]\n  Key = old ; x\nz=1\n", "a", "KEY", "new", "; c\n[A]\nKey=new\r\nz=1\n"},
        {"[a]\nk=1", "a", "k", "v", "[a]\nk=v\r\n"},
        {"[a]\nk=1\nk=2\n", "a", "k", "v", "[a]\nk=v\r\nk=2\n"},
        {"[a]\nx=1\n\n[b]\ny=2\n", "a", "k", "v", "[a]\nx=1\nk=v\r\n\n[b]\ny=2\n"},
        {"[a]\nx=1", "a", "k", "v", "[a]\nx=1\r\nk=v\r\n"},
        {"[a]\n\n \n[b]", "a", "k", "v", "[a]\nk=v\r\n\n \n[b]"},
        {"[a]", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"[a]\nx=1\n[a]\nk=2\n", "a", "k", "v", "[a]\nx=1\nk=v\r\n[a]\nk=2\n"},
        {"[a]\rk=1\rj=2\r", "a", "j", "v", "[a]\rk=1\rj=v\r\n"},
        {"[a]\n;k=1\n", "a", "k", "v", "[a]\n;k=1\nk=v\r\n"},
        {"[a]\nnote\n\n", "a", "k", "v", "[a]\nnote\nk=v\r\n\n"},
        {"k=1\n[a]\n", "a", "k", "v", "k=1\n[a]\nk=v\r\n"},
        {"[a]\n" + kTrailUpperA + "=1\n", "a", kTrailLowerA, "v",
         "[a]\n" + kTrailUpperA + "=1\n" + kTrailLowerA + "=v\r\n"},
        {"[" + kSection + "]\r\n" + kKey + "=D:\\old\r\n", kSection, kKey, kPath,
         "[" + kSection + "]\r\n" + kKey + "=" + kPath + "\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini::set(c.text, c.section, c.key, c.value), c.expected)
            << "text: " << c.text << "\nsection: " << c.section << " key: " << c.key;
    }
}

TEST(Ini, SetRefusesEntriesThatWouldNotReadBack) {
    struct Case {
        std::string section, key, value;
        bool writable;
    };
    const Case cases[] = {
        {"a", "k", "v", true},
        {kTrailBracket, kTrailOpen, "v", true},
        {"a", "k", "x]=;[", true},
        {"", "k", "v", false},
        {" \t", "k", "v", false},
        {"a", "", "v", false},
        {"a]", "k", "v", false},
        {"a", "k=", "v", false},
        {"a", ";k", "v", false},
        {"a", "[k", "v", false},
        {"a\n", "k", "v", false},
        {"a", "k\r", "v", false},
        {"a", "k", "v\nb=2", false},
        {"a\x81", "k", "v", false},
        {"a", "k\x81", "v", false},
    };
    const std::string text = "[a]\nk=1\n";
    for (const Case& c : cases) {
        EXPECT_EQ(ini::canSet(c.section, c.key, c.value), c.writable)
            << "section: " << c.section << " key: " << c.key << " value: " << c.value;
        const std::string written = ini::set(text, c.section, c.key, c.value);
        if (c.writable) {
            EXPECT_EQ(show(ini::get(written, c.section, c.key)), show(c.value));
        } else {
            EXPECT_EQ(written, text);
        }
    }
}

TEST(Ini, SetThenGetRoundTripsAndKeepsOtherEntries) {
    struct Entry {
        std::string section, key, value, readBack;
    };
    const Entry entries[] = {
        {kSection, kKey, kPath, kPath},
        {kSection, std::string(text::kKeyWapMode), std::string(text::kTrue), std::string(text::kTrue)},
        {kTrailBracket, kTrailOpen, "\xDF\x5C", "\xDF\x5C"},
        {"Net", "Proxy", "  127.0.0.1:80  ", "127.0.0.1:80"},
        {"net", "PROXY", "' quoted '", " quoted "},
        {"a", "k", "", ""},
    };
    const std::string bases[] = {
        "",
        "; header\n[other]\nx=1\n",
        "[Net]\rother=2\r\r[x]\ry=3",
        "[" + kSection + "]\r\nkeep=1\r\n\r\n[" + kTrailBracket + "]\r\nkeep=1\r\n",
    };
    for (const std::string& base : bases) {
        for (const Entry& e : entries) {
            const std::string once = ini::set(base, e.section, e.key, e.value);
            EXPECT_EQ(show(ini::get(once, e.section, e.key)), show(e.readBack)) << "base: " << base;
            const std::string twice = ini::set(once, e.section, e.key, "2");
            EXPECT_EQ(show(ini::get(twice, e.section, e.key)), show("2")) << "base: " << base;
            EXPECT_EQ(twice.size(), once.size() - e.value.size() + 1) << "the entry is replaced, not added";
            for (const auto& [section, key] : {std::pair<std::string, std::string>{"other", "x"},
                                               {"net", "other"}, {"x", "y"}, {kSection, "keep"},
                                               {kTrailBracket, "keep"}}) {
                EXPECT_EQ(show(ini::get(twice, section, key)), show(ini::get(base, section, key)))
                    << "base: " << base << "\nsection: " << section << " key: " << key;
            }
        }
    }
}

TEST(Ini, SettingsFileBuiltUpFromNothing) {
    std::string file;
    file = ini::set(file, kSection, kKey, kPath);
    file = ini::set(file, kSection, text::kKeyDesignated, "D:\\b.exe");
    file = ini::set(file, kSection, text::kKeyWapMode, text::kFalse);
    file = ini::set(file, kSection, kKey, "E:\\lxbr.exe");
    EXPECT_EQ(file, "[" + kSection + "]\r\n" + kKey + "=E:\\lxbr.exe\r\n" + std::string(text::kKeyDesignated) +
                        "=D:\\b.exe\r\n" + std::string(text::kKeyWapMode) + "=" + std::string(text::kFalse) + "\r\n");
}

}  // namespace
