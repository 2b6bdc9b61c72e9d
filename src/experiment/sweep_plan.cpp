#include "sweep_plan.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "json_text.h"
#include "random_source.h"

namespace quorvan::batch {

int64_t SweepPlan::PointCount() const {
  if (design) {
    std::size_t n = 1;
    for (const SweepSetting& s : settings) n = std::max(n, s.values.size());
    return static_cast<int64_t>(n);
  }
  int64_t n = 1;
  for (const SweepSetting& s : settings) n *= static_cast<int64_t>(s.values.size());
  return n;
}

std::vector<const SweepSetting*> SweepPlan::Swept() const {
  std::vector<const SweepSetting*> out;
  for (const SweepSetting& s : settings) {
    if (s.values.size() > 1) out.push_back(&s);
  }
  return out;
}

std::vector<std::string> SweepPlan::PointValues(int64_t point) const {
  std::vector<std::string> values(settings.size());
  if (design) {
    for (std::size_t i = 0; i < settings.size(); ++i) {
      const std::vector<std::string>& v = settings[i].values;
      values[i] = v.size() == 1 ? v.front() : v[static_cast<std::size_t>(point)];
    }
    return values;
  }
  for (std::size_t i = settings.size(); i-- > 0;) {
    const auto n = static_cast<int64_t>(settings[i].values.size());
    values[i] = settings[i].values[static_cast<std::size_t>(point % n)];
    point /= n;
  }
  return values;
}

std::string SweepPlan::PointLabel(int64_t point) const {
  const std::vector<std::string> values = PointValues(point);
  std::string label;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    if (settings[i].values.size() < 2) continue;
    if (!label.empty()) label += ' ';
    label += settings[i].key + "=" + values[i];
  }
  return label.empty() ? "all runs" : label;
}

bool SweepPlan::HasLandscapeSeed() const {
  for (const SweepSetting& s : settings) {
    if (s.key == "landscape-seed") return true;
  }
  return false;
}

bool SweepPlan::HasWorld() const {
  for (const SweepSetting& s : settings) {
    if (s.key == "world") return true;
  }
  return false;
}

uint64_t RunSeed(uint64_t base, int64_t replicate) {
  uint64_t x = base + static_cast<uint64_t>(replicate) * 0x9E3779B97F4A7C15ull;
  return SplitMix64(x);
}

uint64_t DerivedLandscapeSeed(uint64_t base, int64_t replicate) { return RunSeed(~base, replicate); }

RunSpec RunSpecOf(const SweepPlan& plan, const RunSpec& pointSpec, int64_t run) {
  const int64_t replicate = plan.ReplicateOf(run);
  RunSpec spec = pointSpec;
  if (!plan.HasLandscapeSeed() && !plan.HasWorld()) spec.landscapeSeed = DerivedLandscapeSeed(plan.seed, replicate);
  spec.seed = RunSeed(plan.seed, replicate);
  return spec;
}

std::string PointSpecs(const SweepPlan& plan, const std::function<std::string(const std::string& key)>& where,
                       std::vector<RunSpec>& points) {
  // Each value of each setting, read once.
  std::vector<std::vector<RunSpec>> values(plan.settings.size());
  for (std::size_t i = 0; i < plan.settings.size(); ++i) {
    const SweepSetting& setting = plan.settings[i];
    const RunKey* key = FindRunKey(setting.key);
    if (!key || !key->sweepable) return where(setting.key) + ": not a setting a sweep can vary";
    for (const std::string& text : setting.values) {
      RunSpec& value = values[i].emplace_back();
      if (setting.key == "decay" && text == kDecayOff) continue;
      if (std::string error = SetRunValue(value, *key, where(setting.key), text); !error.empty()) return error;
    }
  }
  // A point takes one value of each: in a grid the last setting varies
  // fastest; in a design the point's own value, or the one value.
  points.assign(static_cast<std::size_t>(plan.PointCount()), RunSpec{});
  for (int64_t p = 0; p < plan.PointCount(); ++p) {
    RunSpec& spec = points[static_cast<std::size_t>(p)];
    int64_t rest = p;
    for (std::size_t i = plan.settings.size(); i-- > 0;) {
      const auto n = static_cast<int64_t>(values[i].size());
      const int64_t at = plan.design ? (n == 1 ? 0 : p) : rest % n;
      spec.Merge(values[i][static_cast<std::size_t>(at)]);
      rest /= n;
    }
    if (std::string error = CheckRunSpec(spec); !error.empty()) return error;
  }
  return {};
}

namespace {

using json = nlohmann::ordered_json;

json IdentityJson(const SweepPlan& plan) {
  json settings = json::array();
  for (const SweepSetting& s : plan.settings) settings.push_back({{"key", s.key}, {"values", JsonTexts(s.values)}});
  json j = {{"settings", settings}, {"replicates", plan.replicates}, {"seed", plan.seed}, {"series", plan.series}};
  // A grid's identity stays as it always was; a design's adds the design.
  if (plan.design) j["design"] = DesignRequestJson(plan.design->request);
  return j;
}

// FNV-1a over the identity's text: short, stable, and plenty to tell sweeps apart.
std::string Digest(const std::string& text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

}  // namespace

std::string FieldsFileName(int64_t run) {
  char name[40];
  std::snprintf(name, sizeof name, "run-%06lld.h5", static_cast<long long>(run));
  return name;
}

std::string SweepIdentity(const SweepPlan& plan) { return Digest(IdentityJson(plan).dump()); }

std::string PlanJson(const SweepPlan& plan) {
  json j = {{"sweep", SweepIdentity(plan)}};
  j.update(IdentityJson(plan));
  j["plot"] = plan.plot;
  if (plan.fieldsEvery) j["fields"] = {{"every", *plan.fieldsEvery}};
  j["shard"] = {{"index", plan.shardIndex}, {"count", plan.shardCount}};
  if (plan.design) j["analysis"] = AnalysisJson(plan.design->analysis);
  return j.dump(2) + "\n";
}

std::string ParsePlanJson(const std::string& text, SweepPlan& plan) {
  try {
    const json j = json::parse(text);
    SweepPlan p;
    for (const json& s : j.at("settings")) {
      p.settings.push_back({s.at("key").get<std::string>(), TextsFromJson(s.at("values").get<std::vector<std::string>>())});
    }
    p.replicates = j.at("replicates").get<int64_t>();
    p.seed = j.at("seed").get<uint64_t>();
    p.series = j.at("series").get<bool>();
    p.plot = j.at("plot").get<bool>();
    if (j.contains("fields")) {
      p.fieldsEvery = j.at("fields").at("every").get<int32_t>();
      if (*p.fieldsEvery < 1) return "fields every " + std::to_string(*p.fieldsEvery) + " steps";
    }
    p.shardIndex = j.at("shard").at("index").get<int64_t>();
    p.shardCount = j.at("shard").at("count").get<int64_t>();
    if (j.contains("design")) {
      SweepDesign design;
      if (std::string error = ParseDesignRequestJson(j.at("design"), design.request); !error.empty()) return error;
      if (std::string error = ParseAnalysisJson(j.at("analysis"), design.analysis); !error.empty()) return error;
      p.design = std::move(design);
      for (const SweepSetting& s : p.settings) {
        if (s.values.size() != 1 && static_cast<int64_t>(s.values.size()) != p.PointCount()) {
          return "a design's setting without a value for every point";
        }
      }
    }
    for (const SweepSetting& s : p.settings) {
      if (s.values.empty()) return "a setting without values";
    }
    if (p.replicates < 1 || p.shardCount < 1 || p.shardIndex < 1 || p.shardIndex > p.shardCount) {
      return "replicates or shard out of range";
    }
    if (j.at("sweep").get<std::string>() != SweepIdentity(p)) return "its identity does not match its contents";
    plan = std::move(p);
    return {};
  } catch (const json::exception& e) {
    return e.what();
  }
}

}  // namespace quorvan::batch
