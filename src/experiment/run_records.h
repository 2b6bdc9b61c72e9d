#pragma once
// The records that the runs of a sweep leave in its parts folder, and the
// proof each carries of what it holds.
//
// Every worker of a session appends its runs' records to one file of its
// own, parts/records-SSSS-W.qvr, so that the folder holds a few files
// however many runs the sweep has. A record is a header line
//
//   #quorvan-run RUN IDENTITY ROW_BYTES STEPS_BYTES DIGEST CHECKSUM
//
// followed by the run's runs.csv row and its series.csv lines, byte for
// byte. The identity is the sweep's (with the digests of the worlds it
// reads), DIGEST the digest of the world the run ended with (16 hex digits;
// the records of older sweeps lack it), the checksum covers the header's
// fields and the content, and
// every line of the content begins with the run number. A record that was
// cut short or altered fails its checksum; one of another sweep, or one
// whose lines are another run's, passes it but not the checks around it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sweep_plan.h"

namespace quorvan::batch {

/// 64-bit FNV-1a, continued from `hash`: the checksum of the records and
/// the digest of world files.
uint64_t Checksum(std::string_view bytes, uint64_t hash = 0xcbf29ce484222325ull);
std::string Hex(uint64_t value);

/// One record, ready to append.
std::string EncodeRecord(int64_t run, const std::string& identity, std::string_view row, std::string_view steps,
                         const std::optional<uint64_t>& digest = std::nullopt);

/// Appends the records of one worker to its file, writing them out in
/// batches and syncing them to disk every second and when closed: a killed
/// session loses at most its last unsynced runs, which a resume runs again.
class RecordWriter {
 public:
  RecordWriter() = default;
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;
  ~RecordWriter();

  /// Creates `path` (which must not exist). An error text, empty on success.
  std::string Open(const std::string& path);
  std::string Append(int64_t run, const std::string& identity, std::string_view row, std::string_view steps,
                     const std::optional<uint64_t>& digest);
  /// Writes what is pending and syncs the file.
  std::string Close();

 private:
  std::string Flush(bool sync);

  std::string path_;
  int fd_ = -1;
  std::string pending_;
  int64_t lastSync_ = 0;  // steady clock, ms
};

/// Where a verified record lies.
struct RecordSpot {
  int file = -1;  ///< index into RecordIndex::files
  uint64_t offset = 0;  ///< of the row
  uint64_t rowBytes = 0;
  uint64_t stepsBytes = 0;
  uint64_t checksum = 0;
  std::optional<uint64_t> digest;  ///< the final world's digest (none in older records)
};

/// The verified records of one or more parts folders.
struct RecordIndex {
  RecordIndex() = default;
  RecordIndex(const RecordIndex&) = delete;
  RecordIndex& operator=(const RecordIndex&) = delete;
  ~RecordIndex();

  std::vector<std::string> files;
  mutable std::vector<int> descriptors;  ///< opened as LoadRecord needs them
  std::map<int64_t, RecordSpot> runs;
  /// Runs of this sweep whose only records are damaged or cut short, with
  /// what is wrong: a resume runs them again, a merge refuses them.
  std::map<int64_t, std::string> damaged;
};

/// Reads and verifies every record file in `partsFolder`, adding to `index`
/// the runs that `mine` accepts. Returns an error naming the file, the run
/// and the fault for a record that is not this sweep's to take: another
/// sweep's, a run number that is not the record's or not this share's, two
/// records of one run that differ.
std::string ReadRecords(const std::string& partsFolder, const std::string& identity, const SweepPlan& plan,
                        RecordIndex& index);

/// The number of the next session in `partsFolder` (one more than any
/// record file there).
int NextSession(const std::string& partsFolder);
std::string RecordFilePath(const std::string& partsFolder, int session, int worker);

/// Reads a verified record's row and steps.
bool LoadRecord(const RecordIndex& index, const RecordSpot& spot, std::string& row, std::string& steps);

}  // namespace quorvan::batch
