#include "sweep_fields.h"

#include <filesystem>

namespace quorvan::batch {

namespace fs = std::filesystem;

std::string GatherFields(const std::vector<std::string>& shards, const std::vector<SweepPlan>& plans,
                         const std::string& outDir) {
  const fs::path folder = fs::path(outDir) / kFieldsFolder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return "cannot make '" + folder.string() + "': " + ec.message();
  for (std::size_t i = 0; i < shards.size(); ++i) {
    const SweepPlan& plan = plans[i];
    for (int64_t run = plan.shardIndex - 1; run < plan.RunCount(); run += plan.shardCount) {
      const std::string name = FieldsFileName(run);
      const fs::path from = fs::path(shards[i]) / kFieldsFolder / name;
      const fs::path to = folder / name;
      if (fs::equivalent(from, to, ec)) continue;  // a merge into the share's own folder
      if (!fs::is_regular_file(from, ec)) {
        return "'" + from.string() + "', run " + std::to_string(run) + "'s field history, is missing";
      }
      const fs::path temporary = folder / ("." + name + ".tmp-merge");
      fs::remove(temporary, ec);
      fs::create_hard_link(from, temporary, ec);
      if (ec) fs::copy_file(from, temporary, ec);
      if (!ec) fs::rename(temporary, to, ec);
      if (ec) {
        const std::string error = "cannot write '" + to.string() + "': " + ec.message();
        fs::remove(temporary, ec);
        return error;
      }
    }
  }
  return {};
}

}  // namespace quorvan::batch
