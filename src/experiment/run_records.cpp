#include "run_records.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output_file.h"

namespace quorvan::batch {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMark = "#quorvan-run ";
constexpr std::size_t kLongestHeader = 256;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The header's fields before the checksum, which covers them; the final
// digest is absent from the records of older sweeps.
std::string HeaderFields(int64_t run, const std::string& identity, uint64_t rowBytes, uint64_t stepsBytes,
                         const std::optional<uint64_t>& digest) {
  std::string fields =
      std::to_string(run) + " " + identity + " " + std::to_string(rowBytes) + " " + std::to_string(stepsBytes);
  if (digest) fields += " " + Hex(*digest);
  return fields;
}

// The next header at the start of a line, from `from` on.
std::size_t NextHeader(std::string_view text, std::size_t from) {
  for (;;) {
    const std::size_t at = text.find(kMark, from);
    if (at == std::string_view::npos || at == 0 || text[at - 1] == '\n') return at;
    from = at + 1;
  }
}

struct Header {
  int64_t run = -1;
  std::string identity;
  uint64_t rowBytes = 0, stepsBytes = 0, checksum = 0;
  std::optional<uint64_t> digest;
  std::size_t length = 0;  // with its line end
};

// RUN IDENTITY ROW_BYTES STEPS_BYTES [DIGEST] CHECKSUM
bool ParseHeader(std::string_view text, Header& h) {
  const std::size_t eol = text.substr(0, kLongestHeader).find('\n');
  if (eol == std::string_view::npos) return false;
  std::string_view line = text.substr(kMark.size(), eol - kMark.size());
  std::string_view fields[6];
  std::size_t count = 0;
  while (!line.empty()) {
    if (count == 6) return false;
    const std::size_t space = line.find(' ');
    fields[count] = line.substr(0, space);
    if (fields[count++].empty()) return false;
    line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
  }
  if (count < 5) return false;
  const auto number = [](std::string_view f, auto& value, int base = 10) {
    const auto r = std::from_chars(f.data(), f.data() + f.size(), value, base);
    return r.ec == std::errc() && r.ptr == f.data() + f.size();
  };
  h.identity = std::string(fields[1]);
  h.length = eol + 1;
  if (count == 6) {
    uint64_t digest = 0;
    if (fields[4].size() != 16 || !number(fields[4], digest, 16)) return false;
    h.digest = digest;
  }
  return number(fields[0], h.run) && number(fields[2], h.rowBytes) && number(fields[3], h.stepsBytes) &&
         number(fields[count - 1], h.checksum, 16);
}

// Every line of `text` ends with a line feed and begins with "RUN,"; else
// the run number found instead (or -1 for a line without one).
bool LinesOfRun(std::string_view text, int64_t run, int64_t& other) {
  const std::string prefix = std::to_string(run) + ",";
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    if (eol == std::string_view::npos) return other = -1, false;
    if (text.substr(0, prefix.size()) != prefix) {
      other = -1;
      std::from_chars(text.data(), text.data() + eol, other);
      return false;
    }
    text.remove_prefix(eol + 1);
  }
  return true;
}

std::string RunText(int64_t run) { return "run " + std::to_string(run); }

}  // namespace

uint64_t Checksum(std::string_view bytes, uint64_t hash) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return hash;
}

std::string Hex(uint64_t value) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(value));
  return buf;
}

std::string EncodeRecord(int64_t run, const std::string& identity, std::string_view row, std::string_view steps,
                         const std::optional<uint64_t>& digest) {
  const std::string fields = HeaderFields(run, identity, row.size(), steps.size(), digest);
  const uint64_t sum = Checksum(steps, Checksum(row, Checksum(fields)));
  std::string record;
  record.reserve(kMark.size() + fields.size() + 18 + row.size() + steps.size());
  record.append(kMark).append(fields).append(" ").append(Hex(sum)).append("\n");
  record.append(row).append(steps);
  return record;
}

RecordWriter::~RecordWriter() {
  if (fd_ >= 0) Close();
}

std::string RecordWriter::Open(const std::string& path) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) return WriteFailure(path, errno);
  lastSync_ = NowMs();
  return {};
}

std::string RecordWriter::Append(int64_t run, const std::string& identity, std::string_view row,
                                 std::string_view steps, const std::optional<uint64_t>& digest) {
  pending_ += EncodeRecord(run, identity, row, steps, digest);
  if (pending_.size() < (1u << 16) && NowMs() - lastSync_ < 1000) return {};
  return Flush(NowMs() - lastSync_ >= 1000);
}

std::string RecordWriter::Flush(bool sync) {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return WriteFailure(path_, n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
  if (sync) {
    if (::fdatasync(fd_) != 0) return WriteFailure(path_, errno);
    lastSync_ = NowMs();
  }
  return {};
}

std::string RecordWriter::Close() {
  if (fd_ < 0) return {};
  std::string error = Flush(true);
  if (::close(fd_) != 0 && error.empty()) error = WriteFailure(path_, errno);
  fd_ = -1;
  // The file's name is safe on disk once its folder is.
  const int dir = ::open(fs::path(path_).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return error;
}

RecordIndex::~RecordIndex() {
  for (const int fd : descriptors) {
    if (fd >= 0) ::close(fd);
  }
}

int NextSession(const std::string& partsFolder) {
  int next = 1;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(partsFolder, ec)) {
    const std::string name = e.path().filename().string();
    int session = 0;
    if (std::sscanf(name.c_str(), "records-%d-", &session) == 1) next = std::max(next, session + 1);
  }
  return next;
}

std::string RecordFilePath(const std::string& partsFolder, int session, int worker) {
  char name[64];
  std::snprintf(name, sizeof name, "records-%04d-%d.qvr", session, worker);
  return partsFolder + "/" + name;
}

namespace {

// Verifies the records of one file (its bytes in `text`).
std::string ReadRecordFile(std::string_view text, int file, const std::string& path, const std::string& identity,
                           const SweepPlan& plan, RecordIndex& index) {
  const auto where = [&](int64_t run) { return RunText(run) + "'s record in '" + path + "'"; };
  std::size_t at = NextHeader(text, 0);
  while (at != std::string_view::npos) {
    Header h;
    if (!ParseHeader(text.substr(at), h)) {
      at = NextHeader(text, at + 1);
      continue;
    }
    const bool ours = h.run >= 0 && h.run < plan.RunCount() && plan.InShard(h.run);
    const std::size_t body = at + h.length;
    if (h.rowBytes > text.size() - body || h.stepsBytes > text.size() - body - h.rowBytes) {
      if (ours && h.identity == identity) index.damaged.emplace(h.run, where(h.run) + " is cut short");
      break;  // the rest of the file is this record's
    }
    const std::string_view row = text.substr(body, h.rowBytes);
    const std::string_view steps = text.substr(body + h.rowBytes, h.stepsBytes);
    const uint64_t sum = Checksum(steps, Checksum(row, Checksum(HeaderFields(h.run, h.identity, h.rowBytes,
                                                                              h.stepsBytes, h.digest))));
    if (sum != h.checksum) {
      if (ours && h.identity == identity) index.damaged.emplace(h.run, where(h.run) + " fails its checksum");
      at = NextHeader(text, at + 1);
      continue;
    }
    if (h.identity != identity) {
      return where(h.run) + " belongs to another sweep (" + h.identity + ", this one is " + identity + ")";
    }
    if (!ours) {
      return "'" + path + "' holds a record of run " + std::to_string(h.run) + ", which " +
             (h.run >= 0 && h.run < plan.RunCount() ? "is not this share's" : "this sweep does not have");
    }
    int64_t other = -1;
    if (row.empty() || row.find('\n') + 1 != row.size() || !LinesOfRun(row, h.run, other) ||
        !LinesOfRun(steps, h.run, other)) {
      return where(h.run) + " holds " + (other >= 0 ? "lines of run " + std::to_string(other) : "a broken line");
    }
    const RecordSpot spot{file, static_cast<uint64_t>(body), h.rowBytes, h.stepsBytes, sum, h.digest};
    const auto [it, fresh] = index.runs.emplace(h.run, spot);
    if (!fresh && it->second.checksum != sum) {
      return RunText(h.run) + " has two records that differ, in '" + index.files[static_cast<std::size_t>(
                                                                          it->second.file)] +
             "' and '" + path + "'";
    }
    at = NextHeader(text, body + h.rowBytes + h.stepsBytes);
  }
  return {};
}

}  // namespace

std::string ReadRecords(const std::string& partsFolder, const std::string& identity, const SweepPlan& plan,
                        RecordIndex& index) {
  std::vector<std::string> paths;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(partsFolder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("records-", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".qvr") {
      paths.push_back(e.path().string());
    }
  }
  if (ec) return "cannot read '" + partsFolder + "': " + ec.message();
  std::sort(paths.begin(), paths.end());
  for (const std::string& path : paths) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      return "cannot read '" + path + "': " + std::strerror(errno);
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = size == 0 ? nullptr : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) {
      ::close(fd);
      return "cannot read '" + path + "': " + std::strerror(errno);
    }
    const int file = static_cast<int>(index.files.size());
    index.files.push_back(path);
    index.descriptors.push_back(fd);
    if (map != nullptr) ::madvise(map, size, MADV_SEQUENTIAL);
    const std::string error = ReadRecordFile(std::string_view(static_cast<const char*>(map), size), file, path,
                                             identity, plan, index);
    if (map != nullptr) ::munmap(map, size);
    if (!error.empty()) return error;
  }
  for (auto it = index.damaged.begin(); it != index.damaged.end();) {
    it = index.runs.count(it->first) ? index.damaged.erase(it) : std::next(it);
  }
  return {};
}

bool LoadRecord(const RecordIndex& index, const RecordSpot& spot, std::string& row, std::string& steps) {
  const int fd = index.descriptors[static_cast<std::size_t>(spot.file)];
  const auto readAt = [fd](std::string& out, uint64_t offset, uint64_t bytes) {
    out.resize(bytes);
    std::size_t done = 0;
    while (done < bytes) {
      const ssize_t n = ::pread(fd, out.data() + done, bytes - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  };
  return readAt(row, spot.offset, spot.rowBytes) && readAt(steps, spot.offset + spot.rowBytes, spot.stepsBytes);
}

}  // namespace quorvan::batch
