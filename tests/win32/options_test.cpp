// The line options' settings store over the real registry.  The colour chooser
// opened from the swatch is shown end to end.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "platform/win32/settings_store_win32.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

constexpr wchar_t kTestRoot[] = L"Software\\QuillmarkOrvaneTests";

// A throwaway key under HKEY_CURRENT_USER stands in for Software.
class RegistryStore : public ::testing::Test {
 protected:
  ~RegistryStore() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot); }

  void putRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    const std::wstring section = std::wstring(kTestRoot) + L"\\Vantorel\\Quillmark Orvane";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, section.c_str(), name, type, data, size),
              ERROR_SUCCESS);
  }
  std::wstring get(const wchar_t* key) {
    return store.GetSetting(L"Vantorel", L"Quillmark Orvane", key, 5);
  }

  Win32SettingsStore store{HKEY_CURRENT_USER, kTestRoot};
};

TEST_F(RegistryStore, WritesStringValuesUnderApplicationAndSection) {
  const long keysBefore = HandleCounts::live(HandleKind::RegistryKey);
  EXPECT_EQ(get(L"Text1"), L"5") << "no application yet";
  store.SaveSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", L"12");
  store.SaveSetting(L"Vantorel", L"Quillmark Orvane", L"Check1", L"");
  wchar_t data[16] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  const std::wstring section = std::wstring(kTestRoot) + L"\\Vantorel\\Quillmark Orvane";
  ASSERT_EQ(
      ::RegGetValueW(HKEY_CURRENT_USER, section.c_str(), L"Text1", RRF_RT_ANY, &type, data, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(data), L"12");
  EXPECT_EQ(get(L"Text1"), L"12");
  EXPECT_EQ(get(L"Check1"), L"") << "an empty value is not the default";
  EXPECT_EQ(HandleCounts::live(HandleKind::RegistryKey), keysBefore) << "every key closed";
}

TEST_F(RegistryStore, ValuesOfOtherKindsReadAsTheRulesSay) {
  const DWORD seven = 7;
  const BYTE binary[] = {'9', 0, 0, 0};
  const std::wstring boxFull(32767, L'1');            // the most the thickness box holds
  const std::wstring planted(2 * 1024 * 1024, L'1');  // four megabytes
  putRaw(L"Number", REG_DWORD, &seven, sizeof seven);
  putRaw(L"Binary", REG_BINARY, binary, sizeof binary);
  putRaw(L"Expand", REG_EXPAND_SZ, L"%WINDIR%", 18);
  putRaw(L"Long", REG_SZ, boxFull.c_str(), static_cast<DWORD>((boxFull.size() + 1) * 2));
  putRaw(L"Planted", REG_SZ, planted.c_str(), static_cast<DWORD>((planted.size() + 1) * 2));
  EXPECT_EQ(get(L"Number"), L"7");
  EXPECT_EQ(get(L"Binary"), L"5");
  EXPECT_EQ(get(L"Expand"), L"%WINDIR%");
  EXPECT_EQ(get(L"Long"), boxFull);
  EXPECT_THROW(get(L"Planted"), Failure);
  EXPECT_EQ(get(L"Missing"), L"5");
}

TEST_F(RegistryStore, AWriteTheRegistryRefusesThrowsFailure) {
  // Wine lets a read-only key create subkeys; a closed key it refuses, as Windows does.
  HKEY closed = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &closed), ERROR_SUCCESS);
  ::RegCloseKey(closed);
  Win32SettingsStore refused(closed, L"QuillmarkOrvaneTests");
  const long keysBefore = HandleCounts::live(HandleKind::RegistryKey);
  EXPECT_THROW(refused.SaveSetting(L"Vantorel", L"Quillmark Orvane", L"Text1", L"5"), Failure);
  EXPECT_EQ(HandleCounts::live(HandleKind::RegistryKey), keysBefore);
}

}  // namespace
}  // namespace qo::win32
