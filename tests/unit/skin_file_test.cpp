#include "formats/skin_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace qo {
namespace {

std::optional<SkinColours> read(const std::string& text, std::wstring_view scheme = L"") {
  return readSkinFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, scheme);
}

const std::string kHeader = "[Quillmark Orvane Skin]\nVersion=1\n";

TEST(SkinFile, TheExampleSkinGivesEveryPartItsColour) {
  std::ifstream file(QO_SOURCE_DIR "/skins/example/o.cjs", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  const auto colours = read(text);
  ASSERT_TRUE(colours);
  EXPECT_EQ(colours->window, rgb(0xDC, 0xE3, 0xEC));
  EXPECT_EQ(colours->frame, rgb(0xC5, 0xD1, 0xE0));
  EXPECT_EQ(colours->label, rgb(0xC5, 0xD1, 0xE0));
  EXPECT_EQ(colours->text, rgb(0x1F, 0x2A, 0x44));
  EXPECT_EQ(colours->edit, rgb(0xF7, 0xFA, 0xFD));
  EXPECT_EQ(colours->editText, rgb(0x1F, 0x2A, 0x44));
  EXPECT_EQ(colours->button, rgb(0x2F, 0x5D, 0x8A));
  EXPECT_EQ(colours->buttonText, rgb(0xFF, 0xFF, 0xFF));
}

struct Readable {
  const char* what;
  std::string text;
  std::wstring scheme;
  SkinColours expected;
};

class SkinFileReadable : public testing::TestWithParam<Readable> {};

TEST_P(SkinFileReadable, Colours) {
  const auto colours = read(GetParam().text, GetParam().scheme);
  ASSERT_TRUE(colours) << GetParam().what;
  EXPECT_EQ(*colours, GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinFileReadable,
    testing::Values(
        Readable{"no colours at all", kHeader, L"", {}},
        Readable{"one colour; the rest keep their own", kHeader + "Window=#010203\n", L"",
                 {.window = rgb(1, 2, 3)}},
        Readable{"names without regard to case, blanks, CRLF, comments, BOM",
                 "\xEF\xBB\xBF; a comment\r\n# another\r\n\r\n  [ quillmark orvane SKIN ]  \r\n"
                 "  version =  1 \r\nbuttontext\t=\t#aBcDeF\r\n",
                 L"",
                 {.buttonText = rgb(0xAB, 0xCD, 0xEF)}},
        Readable{"unknown keys and sections are passed over",
                 "[Other]\nAnything=goes\n" + kHeader + "Gradient=yes\nFrame=#000000\n", L"",
                 {.frame = rgb(0, 0, 0)}},
        Readable{"the first of two equal keys wins", kHeader + "Edit=#000001\nEdit=#000002\n",
                 L"", {.edit = rgb(0, 0, 1)}},
        Readable{"a named scheme takes its own section",
                 kHeader + "Window=#111111\n[Night]\nWindow=#222222\nLabel=#333333\n", L"night",
                 {.window = rgb(0x22, 0x22, 0x22), .label = rgb(0x33, 0x33, 0x33)}},
        Readable{"an unknown key may hold anything", kHeader + "Note=a=b\n",
                 L"", {}}));

struct Unreadable {
  const char* what;
  std::string text;
  std::wstring scheme;
};

class SkinFileUnreadable : public testing::TestWithParam<Unreadable> {};

TEST_P(SkinFileUnreadable, IsNotOurs) {
  EXPECT_FALSE(read(GetParam().text, GetParam().scheme)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinFileUnreadable,
    testing::Values(
        Unreadable{"empty", "", L""},
        Unreadable{"a zip archive of another program", std::string("PK\x03\x04\x14\0\0\0", 8), L""},
        Unreadable{"a NUL byte", kHeader + std::string("Window=#000000\0", 15), L""},
        Unreadable{"another program's ini", "[Skin]\nVersion=1\nWindow=#000000\n", L""},
        Unreadable{"no version", "[Quillmark Orvane Skin]\nWindow=#000000\n", L""},
        Unreadable{"a later version", "[Quillmark Orvane Skin]\nVersion=2\n", L""},
        Unreadable{"a short colour", kHeader + "Window=#12345\n", L""},
        Unreadable{"a colour without #", kHeader + "Window=123456\n", L""},
        Unreadable{"a colour that is not hex", kHeader + "Label=#12G456\n", L""},
        Unreadable{"a key before any section", "Window=#000000\n" + kHeader, L""},
        Unreadable{"a line that is no pair", kHeader + "Window\n", L""},
        Unreadable{"an open section header", "[Quillmark Orvane Skin\nVersion=1\n", L""},
        Unreadable{"a scheme not in the file", kHeader, L"Night"},
        Unreadable{"a scheme name that is not ASCII", kHeader + "[Nuit\xC3\xA9]\n", L"Nuit\u00E9"},
        Unreadable{"larger than any skin", kHeader + std::string(kLargestSkinFile, ';'), L""}));

}  // namespace
}  // namespace qo
