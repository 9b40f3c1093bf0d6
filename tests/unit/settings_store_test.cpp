// How stored values read back, and the in-memory store that tests use.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "base/settings_store.h"
#include "fakes/memory_settings_store.h"

namespace qo {
namespace {

StoredValue dword(std::uint32_t n) {
  return {kRegDword,
          {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)}};
}

StoredValue withType(std::uint32_t type, std::wstring_view text) {
  StoredValue value = textValue(text);
  value.type = type;
  return value;
}

struct ReadCase {
  const char* what;
  StoredValue value;
  std::optional<std::wstring> reads;  // nothing: the default applies
};

TEST(StoredValueText, ReadRules) {
  const std::wstring boxFull(32767, L'7');  // the most the thickness box holds
  const ReadCase cases[] = {
      {"a string", textValue(L"12"), L"12"},
      {"an empty string", textValue(L""), L""},
      {"a string with no bytes at all", {kRegSz, {}}, L""},
      {"a string without its closing NUL", {kRegSz, {'a', 0, 'b', 0}}, L"ab"},
      {"a string read to its first NUL", {kRegSz, {'a', 0, 0, 0, 'b', 0}}, L"a"},
      {"a number", dword(65280), L"65280"},
      {"a system colour, as the signed 32 bits", dword(0x8000000F), L"-2147483633"},
      {"a number of the wrong size", {kRegDword, {1, 0, 0}}, std::nullopt},
      {"an expandable string, unexpanded", withType(kRegExpandSz, L"%WINDIR%"), L"%WINDIR%"},
      {"binary data", withType(kRegBinary, L"5"), std::nullopt},
      {"all the thickness box holds", textValue(boxFull), boxFull},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(storedValueText(c.value), c.reads) << c.what;
  EXPECT_THROW(storedValueText(textValue(boxFull + L"7")), Failure) << "not the default";
}

TEST(StoredValueText, TextValueIsUtf16WithItsNul) {
  EXPECT_EQ(textValue(L"5").bytes, (std::vector<std::uint8_t>{'5', 0, 0, 0}));
  EXPECT_EQ(textValue(L"\u00e9").bytes, (std::vector<std::uint8_t>{0xE9, 0, 0, 0}));
}

TEST(MemorySettingsStore, MissingReadsAsTheDefaultAndEveryReadGoesToTheStore) {
  MemorySettingsStore store;
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", 5), L"5");
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Quillmark Orvane", L"Color", -16), L"-16");
  store.SaveSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", L"");
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", 5), L"");
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Other", L"Text1", 5), L"5") << "by section";
  store.put(L"Text1", dword(9));
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", 5), L"9");
  store.put(L"Text1", withType(kRegBinary, L"x"));
  EXPECT_EQ(store.GetSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", 5), L"5");
}

}  // namespace
}  // namespace qo
