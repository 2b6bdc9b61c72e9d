#include "sweep_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>

#include "json_text.h"
#include "run_records.h"
#include "sweep_record.h"

namespace quorvan::batch {

namespace {

using json = nlohmann::ordered_json;

}  // namespace

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // lets go of the lock
}

std::string FolderLock::Take(const std::string& dir) {
  const std::string path = dir + "/.lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return "cannot lock '" + dir + "': " + std::strerror(errno);
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    if (err == EWOULDBLOCK) {
      return "'" + dir + "' is in use by another quorvan-batch (a sweep, --resume or merge); wait until it ends";
    }
    return "cannot lock '" + dir + "': " + std::strerror(err);
  }
  return {};
}

std::string DigestWorlds(const SweepPlan& plan, std::vector<WorldDigest>& digests) {
  digests.clear();
  for (const SweepSetting& s : plan.settings) {
    if (s.key != "world") continue;
    for (const std::string& path : s.values) {
      std::ifstream in(path, std::ios::binary);
      if (!in) return "--world: cannot read '" + path + "': " + std::strerror(errno);
      uint64_t hash = Checksum({});
      uint64_t size = 0;
      std::vector<char> buffer(1 << 20);
      while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        hash = Checksum(std::string_view(buffer.data(), n), hash);
        size += n;
      }
      if (in.bad()) return "--world: cannot read '" + path + "'";
      digests.push_back({path, "fnv1a64:" + Hex(hash) + ":" + std::to_string(size)});
    }
  }
  return {};
}

std::string RecordIdentity(const SweepPlan& plan, const std::vector<WorldDigest>& worlds) {
  const std::string identity = SweepIdentity(plan);
  if (worlds.empty()) return identity;
  uint64_t hash = Checksum(identity);
  for (const WorldDigest& w : worlds) hash = Checksum(w.digest, Checksum(w.path + "\n", hash));
  return Hex(hash);
}

std::string CheckWorlds(const std::vector<WorldDigest>& recorded, const std::vector<WorldDigest>& now) {
  for (const WorldDigest& w : now) {
    for (const WorldDigest& r : recorded) {
      if (r.path == w.path && r.digest != w.digest) {
        return "the world file '" + w.path + "' has changed since the sweep began (its content digest was " +
               r.digest + ", now " + w.digest + ")";
      }
    }
  }
  if (recorded.size() != now.size()) return "the sweep's world files are not those it began with";
  return {};
}

std::string WritePlanFile(const std::string& dir, const SweepPlan& plan, const FolderRecord& record) {
  json j = json::parse(PlanJson(plan));
  if (!record.worlds.empty()) {
    json worlds = json::array();
    for (const WorldDigest& w : record.worlds) worlds.push_back({{"path", JsonText(w.path)}, {"digest", w.digest}});
    j["worlds"] = worlds;
  }
  j["command"] = JsonTexts(record.command);
  if (!record.resumptions.empty()) {
    json resumes = json::array();
    for (const Resumption& r : record.resumptions) resumes.push_back({{"command", JsonTexts(r.command)}, {"at", r.at}});
    j["resumed"] = resumes;
  }
  if (!record.mergedFrom.empty()) j["merged_from"] = JsonTexts(record.mergedFrom);
  if (!record.mergeFinished.empty()) j["merge_finished"] = record.mergeFinished;
  return WriteTextFile(dir + "/plan.json", j.dump(2) + "\n");
}

std::string ReadFolderRecord(const std::string& dir, FolderRecord& record) {
  record = {};
  std::ifstream in(dir + "/plan.json", std::ios::binary);
  if (!in) return "'" + dir + "/plan.json' cannot be read";
  try {
    const json j = json::parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    if (j.contains("worlds")) {
      for (const json& w : j.at("worlds")) {
        record.worlds.push_back({TextFromJson(w.at("path").get<std::string>()), w.at("digest").get<std::string>()});
      }
    }
    if (j.contains("command")) record.command = TextsFromJson(j.at("command").get<std::vector<std::string>>());
    if (j.contains("resumed")) {
      for (const json& r : j.at("resumed")) {
        record.resumptions.push_back({TextsFromJson(r.at("command").get<std::vector<std::string>>()), r.at("at").get<std::string>()});
      }
    }
    if (j.contains("merged_from")) record.mergedFrom = TextsFromJson(j.at("merged_from").get<std::vector<std::string>>());
    if (j.contains("merge_finished")) record.mergeFinished = j.at("merge_finished").get<std::string>();
  } catch (const json::exception& e) {
    return "'" + dir + "/plan.json' is damaged: " + e.what();
  }
  return {};
}

}  // namespace quorvan::batch
