#include "fakes/memory_file_system.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "base/failure.h"

namespace qo {
namespace {

// The text before the last backslash; empty when there is none.
std::wstring folderOf(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

bool PathLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](wchar_t x, wchar_t y) {
                                        return std::towlower(static_cast<std::wint_t>(x)) <
                                               std::towlower(static_cast<std::wint_t>(y));
                                      });
}

void MemoryFileSystem::addFolder(const std::wstring& folder) { folders_[folder] = ++clock_; }

void MemoryFileSystem::setFile(const std::wstring& path, std::vector<std::uint8_t> bytes) {
  store(path, std::move(bytes));
}

void MemoryFileSystem::setAttributes(const std::wstring& path, DirectoryEntry attributes) {
  attributes.folder = false;
  files_.at(path).attributes = attributes;
}

bool MemoryFileSystem::hasFile(const std::wstring& path) const { return files_.count(path) != 0; }

const std::vector<std::uint8_t>& MemoryFileSystem::file(const std::wstring& path) const {
  return files_.at(path).bytes;
}

std::vector<std::wstring> MemoryFileSystem::fileNames() const {
  std::vector<std::wstring> names;
  for (const auto& entry : files_) names.push_back(entry.first);
  return names;
}

void MemoryFileSystem::failWrite(int number, std::size_t keptBytes) {
  failingWrite_ = number;
  keptBytes_ = keptBytes;
}

void MemoryFileSystem::denyWritesTo(const std::wstring& folder) { deniedFolders_.insert(folder); }

std::int64_t MemoryFileSystem::lastChangeTime(const std::wstring& path) {
  if (auto file = files_.find(path); file != files_.end()) return file->second.changed;
  if (auto folder = folders_.find(path); folder != folders_.end()) return folder->second;
  throw Failure(L"The system cannot find the file specified.");
}

void MemoryFileSystem::writeNewFile(const std::wstring& path, FilePieces pieces) {
  ++writes_;
  std::vector<std::uint8_t> bytes;
  for (const auto piece : pieces) bytes.insert(bytes.end(), piece.begin(), piece.end());
  const std::wstring folder = folderOf(path);
  if (folders_.count(folder) == 0) throw Failure(L"The system cannot find the path specified.");
  if (deniedFolders_.count(folder) != 0) throw Failure(L"Access is denied.");
  if (files_.count(path) != 0 || folders_.count(path) != 0) {
    throw NameTaken(L"The file exists.");
  }
  if (writes_ == failingWrite_) {
    const std::size_t kept = std::min(keptBytes_, bytes.size());
    store(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kept));
    throw Failure(L"There is not enough space on the disk.");
  }
  store(path, std::move(bytes));
}

void MemoryFileSystem::replaceFile(const std::wstring& from, const std::wstring& to) {
  if (failReplace_) throw Failure(L"Access is denied.");
  auto source = files_.find(from);
  if (source == files_.end()) throw Failure(L"The system cannot find the file specified.");
  if (folders_.count(folderOf(to)) == 0)
    throw Failure(L"The system cannot find the path specified.");
  if (folders_.count(to) != 0) throw Failure(L"Access is denied.");
  std::vector<std::uint8_t> bytes = std::move(source->second.bytes);
  files_.erase(source);
  store(to, std::move(bytes));
}

void MemoryFileSystem::removeFile(const std::wstring& path) noexcept { files_.erase(path); }

std::optional<DirectoryEntry> MemoryFileSystem::findEntry(const std::wstring& path) noexcept {
  if (auto file = files_.find(path); file != files_.end()) return file->second.attributes;
  if (folders_.count(path) != 0) return DirectoryEntry{.folder = true};
  return std::nullopt;
}

void MemoryFileSystem::store(const std::wstring& path, std::vector<std::uint8_t> bytes) {
  File& file = files_[path];
  file.bytes = std::move(bytes);
  file.changed = ++clock_;
}

}  // namespace qo
