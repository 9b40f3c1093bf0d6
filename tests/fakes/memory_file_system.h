#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "base/services.h"

namespace qo {

// Orders paths as Windows compares file names: without regard to case.
struct PathLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// Files and folders in memory, with Windows-like paths ("C:\pictures\a.bmp").  A
// file can only be created in a folder registered with addFolder.  Faults can be
// injected: a write that stops part-way (a full disk), a folder without write
// access, a failing replace.
class MemoryFileSystem : public FileSystem {
 public:
  // Registers a folder, given without a trailing backslash ("C:\pictures").
  void addFolder(const std::wstring& folder);
  // Puts a file in place directly, whatever its folder, replacing any file there.
  void setFile(const std::wstring& path, std::vector<std::uint8_t> bytes);

  // Marks a file placed with setFile hidden, system or read-only.
  void setAttributes(const std::wstring& path, DirectoryEntry attributes);

  bool hasFile(const std::wstring& path) const;
  // The bytes of a file; throws std::out_of_range when there is none.
  const std::vector<std::uint8_t>& file(const std::wstring& path) const;
  std::vector<std::wstring> fileNames() const;
  std::size_t fileCount() const { return files_.size(); }
  // Calls of writeNewFile so far, including failed ones.
  int writeCount() const { return writes_; }

  // The writeNewFile call with this number (counting from 1 over the object's
  // life) creates the file, writes only keptBytes of it and then fails.
  void failWrite(int number, std::size_t keptBytes);
  // Every writeNewFile into this folder fails as access denied.
  void denyWritesTo(const std::wstring& folder);
  void failReplace(bool fail) { failReplace_ = fail; }

  std::int64_t lastChangeTime(const std::wstring& path) override;
  using FileSystem::writeNewFile;
  void writeNewFile(const std::wstring& path, FilePieces pieces) override;
  void replaceFile(const std::wstring& from, const std::wstring& to) override;
  void removeFile(const std::wstring& path) noexcept override;
  std::optional<DirectoryEntry> findEntry(const std::wstring& path) noexcept override;

 private:
  struct File {
    std::vector<std::uint8_t> bytes;
    std::int64_t changed = 0;
    DirectoryEntry attributes;
  };

  void store(const std::wstring& path, std::vector<std::uint8_t> bytes);

  std::map<std::wstring, File, PathLess> files_;
  std::map<std::wstring, std::int64_t, PathLess> folders_;
  std::set<std::wstring, PathLess> deniedFolders_;
  std::int64_t clock_ = 0;
  int writes_ = 0;
  int failingWrite_ = 0;
  std::size_t keptBytes_ = 0;
  bool failReplace_ = false;
};

}  // namespace qo
