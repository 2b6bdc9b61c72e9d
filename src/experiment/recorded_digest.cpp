#include "recorded_digest.h"

#include <charconv>
#include <filesystem>
#include <fstream>

#include "run_records.h"
#include "sweep_tables.h"

namespace quorvan::batch {

namespace {

// A line "RUN,HEX" of digests.csv, or "RUN," for a run without one.
bool ReadLine(const std::string& line, int64_t& run, std::optional<uint64_t>& digest) {
  const char* const end = line.data() + line.size();
  const auto r = std::from_chars(line.data(), end, run);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != ',') return false;
  digest.reset();
  if (r.ptr + 1 == end) return true;
  uint64_t value = 0;
  const auto d = std::from_chars(r.ptr + 1, end, value, 16);
  if (d.ec != std::errc() || d.ptr != end || end - (r.ptr + 1) != 16) return false;
  digest = value;
  return true;
}

}  // namespace

std::string FindRecordedDigest(const std::string& dir, const SweepPlan& plan, const FolderRecord& history, int64_t run,
                               std::optional<uint64_t>& digest, std::string& missing) {
  digest.reset();
  const std::string older = " (recorded by an older quorvan-batch)";
  const std::string table = dir + "/" + kDigestsFile;
  if (std::filesystem::exists(table)) {
    std::ifstream in(table, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line + "\n" != kDigestsHeader) return "'" + table + "' is damaged";
    while (std::getline(in, line)) {
      int64_t at = -1;
      if (!ReadLine(line, at, digest)) return "'" + table + "' is damaged: '" + line.substr(0, 40) + "'";
      if (at != run) continue;
      if (!digest) missing = "the sweep recorded no final digest of run " + std::to_string(run) + older;
      return {};
    }
    return "'" + table + "' has no line of run " + std::to_string(run);
  }
  const std::string parts = dir + "/" + kPartsFolder;
  if (!std::filesystem::is_directory(parts)) {
    missing = "'" + dir + "' recorded no final digests" + older;
    return {};
  }
  RecordIndex records;
  if (std::string error = ReadRecords(parts, RecordIdentity(plan, history.worlds), plan, records); !error.empty()) {
    return error;
  }
  const auto spot = records.runs.find(run);
  if (spot == records.runs.end()) {
    missing = "run " + std::to_string(run) + " has no record in '" + dir + "' yet (the sweep is unfinished)";
  } else if (!(digest = spot->second.digest)) {
    missing = "the sweep recorded no final digest of run " + std::to_string(run) + older;
  }
  return {};
}

}  // namespace quorvan::batch
