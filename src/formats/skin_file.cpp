#include "formats/skin_file.h"

#include <string>
#include <utility>
#include <vector>

#include "base/ascii_case.h"

namespace qo {

namespace {

constexpr std::string_view kSignatureSection = "Quillmark Orvane Skin";

struct Section {
  std::string_view name;
  std::vector<std::pair<std::string_view, std::string_view>> entries;
};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Splits the text into sections; nothing when a line is neither blank, a
// comment, a section header nor a key = value pair inside a section.
std::optional<std::vector<Section>> sectionsOf(std::string_view text) {
  std::vector<Section> sections;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trimmed(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 2) return std::nullopt;
      sections.push_back({trimmed(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || sections.empty()) return std::nullopt;
    sections.back().entries.emplace_back(trimmed(line.substr(0, equals)),
                                         trimmed(line.substr(equals + 1)));
  }
  return sections;
}

// The first section of that name, as the profile functions of Windows find it.
const Section* findSection(const std::vector<Section>& sections, std::string_view name) {
  for (const Section& section : sections) {
    if (sameIgnoringAsciiCase(section.name, name)) return &section;
  }
  return nullptr;
}

const std::string_view* findValue(const Section& section, std::string_view key) {
  for (const auto& entry : section.entries) {
    if (sameIgnoringAsciiCase(entry.first, key)) return &entry.second;
  }
  return nullptr;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB", as web pages write colours.
std::optional<Colour> colourOf(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  unsigned channels[3] = {};
  for (int channel = 0; channel < 3; ++channel) {
    const int high = hexDigit(text[1 + 2 * channel]);
    const int low = hexDigit(text[2 + 2 * channel]);
    if (high < 0 || low < 0) return std::nullopt;
    channels[channel] = static_cast<unsigned>(high * 16 + low);
  }
  return rgb(channels[0], channels[1], channels[2]);
}

// The scheme's name as the file spells section names: ASCII only.
std::optional<std::string> asciiName(std::wstring_view scheme) {
  std::string name;
  for (const wchar_t c : scheme) {
    if (c <= 0 || c >= 128) return std::nullopt;
    name += static_cast<char>(c);
  }
  return name;
}

// Reads the colour keys of a section; nothing when one of them is not a colour.
std::optional<SkinColours> coloursOf(const Section& section) {
  SkinColours colours;
  const std::pair<std::string_view, std::optional<Colour> SkinColours::*> keys[] = {
      {"Window", &SkinColours::window}, {"Frame", &SkinColours::frame},
      {"Label", &SkinColours::label},   {"Text", &SkinColours::text},
      {"Edit", &SkinColours::edit},     {"EditText", &SkinColours::editText},
      {"Button", &SkinColours::button}, {"ButtonText", &SkinColours::buttonText},
  };
  for (const auto& [key, member] : keys) {
    const std::string_view* value = findValue(section, key);
    if (!value) continue;
    colours.*member = colourOf(*value);
    if (!(colours.*member)) return std::nullopt;
  }
  return colours;
}

}  // namespace

std::optional<SkinColours> readSkinFile(std::span<const std::uint8_t> bytes,
                                        std::wstring_view scheme) {
  if (bytes.size() > kLargestSkinFile) return std::nullopt;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const auto sections = sectionsOf(text);
  if (!sections) return std::nullopt;
  const Section* signature = findSection(*sections, kSignatureSection);
  if (!signature) return std::nullopt;
  const std::string_view* version = findValue(*signature, "Version");
  if (!version || *version != "1") return std::nullopt;
  const auto name = asciiName(scheme);
  if (!name) return std::nullopt;
  const Section* colours = name->empty() ? signature : findSection(*sections, *name);
  if (!colours) return std::nullopt;
  return coloursOf(*colours);
}

}  // namespace qo
