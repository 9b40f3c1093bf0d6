// The floor under the save figure: on this machine's own disk, without Wine, a
// raw rewrite of a picture-sized file next to a safe replace of it (new file,
// flushed, renamed over the old one), which is what the program's save does.
// It measures and prints; it never passes or fails.
//
//   disk_floor FOLDER      (Linux; run_bench.sh builds it with the host's c++)
//
// Prints "RESULT floor_raw_write_ms M", "RESULT floor_safe_replace_ms M" and
// "RESULT floor_safe_replace_overlapped_ms M": the last starts each part's
// write-back while the rest is still being written (sync_file_range), which the
// Win32 program cannot ask for, so it is the least a safe replace can cost here.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBytes = 54 + std::size_t{3840} * 2160 * 3;  // a 3840 x 2160 BMP
constexpr std::size_t kPart = std::size_t{1} << 20;
constexpr int kRounds = 21;

std::vector<char> picture() {
  std::vector<char> bytes(kBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 12));
  return bytes;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd, data, size);
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

// As the bench's raw write: the existing file truncated and written again.
bool rawWrite(const std::string& path, const std::vector<char>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, bytes.data(), bytes.size());
  return ::close(fd) == 0 && ok;
}

bool safeReplace(const std::string& path, const std::vector<char>& bytes, bool overlapped) {
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t at = 0; ok && at < bytes.size(); at += kPart) {
    const std::size_t size = std::min(kPart, bytes.size() - at);
    ok = writeAll(fd, bytes.data() + at, size);
    if (ok && overlapped) {
      ::sync_file_range(fd, static_cast<off_t>(at), static_cast<off_t>(size),
                        SYNC_FILE_RANGE_WRITE);
    }
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok && ::rename(temporary.c_str(), path.c_str()) == 0;
}

double timeMs(const std::function<bool()>& step, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = step() && ok;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: disk_floor FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const std::string raw = folder + "/floor-raw.bin";
  const std::string saved = folder + "/floor-picture.bmp";
  const std::vector<char> bytes = picture();
  bool ok = rawWrite(raw, bytes) && safeReplace(saved, bytes, false);
  std::vector<double> raws;
  std::vector<double> safe;
  std::vector<double> overlapped;
  // In turns, so that other load on the machine falls on all three.
  for (int round = 0; round < kRounds && ok; ++round) {
    raws.push_back(timeMs([&] { return rawWrite(raw, bytes); }, ok));
    safe.push_back(timeMs([&] { return safeReplace(saved, bytes, false); }, ok));
    overlapped.push_back(timeMs([&] { return safeReplace(saved, bytes, true); }, ok));
  }
  ::unlink(raw.c_str());
  ::unlink(saved.c_str());
  if (!ok) {
    std::printf("  (the files in %s could not be written)\n", folder.c_str());
    return 1;
  }
  std::printf("  %zu bytes, %d rounds, medians\n", bytes.size(), kRounds);
  std::printf("RESULT floor_raw_write_ms %.3f\n", median(raws));
  std::printf("RESULT floor_safe_replace_ms %.3f\n", median(safe));
  std::printf("RESULT floor_safe_replace_overlapped_ms %.3f\n", median(overlapped));
  return 0;
}
