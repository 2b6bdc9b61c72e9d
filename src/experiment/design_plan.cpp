#include "design_plan.h"

#include <cmath>

namespace quorvan::batch {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool IsInterval(std::string_view text) { return text.find("..") != std::string_view::npos; }

bool IsWholeInDesign(const RunKey& key) {
  return key.kind == ValueKind::Whole || std::string_view(key.name) == "noise";
}

std::string ParseInterval(const RunKey& key, std::string_view where, std::string_view text, DesignInterval& interval) {
  const std::string w(where);
  const std::string name(key.name);
  if (key.kind == ValueKind::Name || name == "landscape-seed") {
    return w + ": '" + std::string(text) + "' is an interval, but a design varies numeric settings only";
  }
  const std::size_t dots = text.find("..");
  const std::string_view ends[] = {Trim(text.substr(0, dots)), Trim(text.substr(dots + 2))};
  double values[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    if (ends[i].empty() || IsInterval(ends[i])) {
      return w + ": '" + std::string(text) + "' is not an interval low..high (for example 0..180)";
    }
    RunSpec scratch;
    if (std::string error = SetRunValue(scratch, key, where, ends[i]); !error.empty()) return error;
    const Parsed<RealText> v = ParseReal(where, ends[i]);
    if (!v) return v.error;
    values[i] = v->value;
  }
  interval.key = name;
  interval.low = values[0];
  interval.high = values[1];
  interval.whole = IsWholeInDesign(key);
  if (interval.low > interval.high) {
    return w + ": '" + std::string(text) + "' runs from high to low; write the low end first";
  }
  if (interval.whole && std::ceil(interval.low) > std::floor(interval.high)) {
    return w + ": '" + std::string(text) + "' holds no whole number";
  }
  return {};
}

nlohmann::ordered_json DesignRequestJson(const DesignRequest& r) {
  nlohmann::ordered_json intervals = nlohmann::ordered_json::array();
  for (const DesignInterval& i : r.settings) {
    intervals.push_back({{"key", i.key}, {"low", i.low}, {"high", i.high}, {"whole", i.whole}});
  }
  nlohmann::ordered_json j = {{"kind", DesignKindName(r.kind)}, {"samples", r.samples}};
  if (r.kind == DesignKind::kMorris) j["levels"] = r.levels;
  j["seed"] = r.seed;
  j["intervals"] = intervals;
  return j;
}

std::string ParseDesignRequestJson(const nlohmann::ordered_json& j, DesignRequest& r) {
  r = DesignRequest{};
  if (!ParseDesignKind(j.at("kind").get<std::string>(), r.kind)) return "an unknown design";
  r.samples = j.at("samples").get<int64_t>();
  if (r.kind == DesignKind::kMorris) r.levels = j.at("levels").get<int>();
  r.seed = j.at("seed").get<uint64_t>();
  for (const auto& i : j.at("intervals")) {
    r.settings.push_back(
        {i.at("key").get<std::string>(), i.at("low").get<double>(), i.at("high").get<double>(), i.at("whole").get<bool>()});
  }
  return {};
}

nlohmann::ordered_json AnalysisJson(const DesignAnalysisOptions& o) {
  nlohmann::ordered_json targets = nlohmann::ordered_json::object();
  for (const auto& [name, value] : o.targets) targets[name] = value;
  nlohmann::ordered_json j = {{"outputs", o.outputs}, {"bootstrap", o.bootstrap}, {"calibrate", o.calibrate},
                              {"targets", targets},   {"accept", o.accept}};
  if (!o.targetSeries.empty()) j["target_series"] = o.targetSeries;
  return j;
}

std::string ParseAnalysisJson(const nlohmann::ordered_json& j, DesignAnalysisOptions& o) {
  o.outputs = j.at("outputs").get<std::vector<std::string>>();
  o.bootstrap = j.at("bootstrap").get<int64_t>();
  o.calibrate = j.at("calibrate").get<bool>();
  o.targets.clear();
  for (const auto& [name, value] : j.at("targets").items()) o.targets[name] = value.get<double>();
  o.accept = j.at("accept").get<double>();
  o.targetSeries = j.contains("target_series") ? j.at("target_series").get<std::string>() : std::string();
  return {};
}

std::string ParseTarget(std::string_view where, std::string_view text, std::string& output, double& value) {
  const std::size_t eq = text.find('=');
  const std::string w(where);
  if (eq == std::string_view::npos || Trim(text.substr(0, eq)).empty()) {
    return w + ": '" + std::string(text) + "' is not OUTPUT=VALUE (for example successful_50=420)";
  }
  output = std::string(Trim(text.substr(0, eq)));
  const Parsed<RealText> v = ParseReal(w + " " + output, text.substr(eq + 1));
  if (!v) return v.error;
  value = v->value;
  return {};
}

Parsed<double> ParseAcceptFraction(std::string_view where, std::string_view text) {
  const Parsed<RealText> v = ParseReal(where, text);
  if (!v) return {std::nullopt, v.error};
  if (!(v->value > 0.0 && v->value <= 1.0)) {
    return {std::nullopt, std::string(where) + ": '" + std::string(text) +
                              "' is not a fraction above 0 and at most 1 (the share of points accepted)"};
  }
  return {v->value, {}};
}

}  // namespace quorvan::batch
