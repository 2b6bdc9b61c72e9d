#pragma once
// What a sweep folder holds beside its records: the lock that keeps a second
// process out, and plan.json with what the sweep read and who ran it (the
// digests of its world files, the original command, each resume).

#include <string>
#include <utility>
#include <vector>

#include "sweep_plan.h"

namespace quorvan::batch {

/// One process at a time in a sweep folder: an flock on DIR/.lock, which the
/// system lets go of when the process ends, however it ends.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();
  /// Takes the folder (which must exist), or says which folder is in use.
  std::string Take(const std::string& dir);

 private:
  int fd_ = -1;
};

/// The content digest of a world file, and the file.
struct WorldDigest {
  std::string path;
  std::string digest;  ///< "fnv1a64:HEX:SIZE"
  friend bool operator==(const WorldDigest&, const WorldDigest&) = default;
};

/// One session that took the sweep up again.
struct Resumption {
  std::vector<std::string> command;
  std::string at;  ///< UTC, ISO 8601
};

/// plan.json beyond the plan itself.
struct FolderRecord {
  std::vector<WorldDigest> worlds;      ///< every world the sweep reads
  std::vector<std::string> command;     ///< the command that began the sweep
  std::vector<Resumption> resumptions;  ///< each --resume since, in order
  std::vector<std::string> mergedFrom;  ///< a merge's shard folders (empty: runs here)
  std::string mergeFinished;            ///< when the merge completed (empty: not yet)
};

/// Reads every world file of the plan and digests its contents.
std::string DigestWorlds(const SweepPlan& plan, std::vector<WorldDigest>& digests);
/// The identity the records of this sweep carry: the sweep's, and the
/// contents of its worlds.
std::string RecordIdentity(const SweepPlan& plan, const std::vector<WorldDigest>& worlds);
/// Compares the worlds as they are now with those recorded; an error
/// naming the file that changed.
std::string CheckWorlds(const std::vector<WorldDigest>& recorded, const std::vector<WorldDigest>& now);

/// Writes DIR/plan.json: the plan as PlanJson has it, and `record`.
std::string WritePlanFile(const std::string& dir, const SweepPlan& plan, const FolderRecord& record);
/// Reads what plan.json holds beyond the plan (nothing, from older folders).
std::string ReadFolderRecord(const std::string& dir, FolderRecord& record);

}  // namespace quorvan::batch
