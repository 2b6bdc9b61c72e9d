#include "experiment_file.h"

#include <charconv>
#include <filesystem>
#include <toml++/toml.h>

#include "run_spec.h"

namespace quorvan::batch {

namespace {

// The keys that are not sweep settings, with the one type each takes.
enum class Scalar { Whole, Seed, Flag, Text, Real, Texts };

struct OptionKey {
  const char* name;
  Scalar type;
};

constexpr OptionKey kOptionKeys[] = {{"replicates", Scalar::Whole}, {"jobs", Scalar::Whole}, {"seed", Scalar::Seed},
                                     {"series", Scalar::Flag},      {"quiet", Scalar::Flag}, {"plot", Scalar::Text},
                                     {"out", Scalar::Text},         {"shard", Scalar::Text},
                                     {"design", Scalar::Text},      {"samples", Scalar::Whole},
                                     {"levels", Scalar::Whole},     {"bootstrap", Scalar::Whole},
                                     {"accept", Scalar::Real},      {"calibrate", Scalar::Flag},
                                     {"outputs", Scalar::Texts},    {"target", Scalar::Texts},
                                     {"fields", Scalar::Flag},      {"fields-every", Scalar::Whole}};

std::string ToText(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// One value of a sweep setting: its text, or nothing when its type does not fit the kind.
std::optional<std::string> SettingText(const toml::node& node, ValueKind kind) {
  if (const auto* s = node.as_string()) return s->get();
  if (kind == ValueKind::Name) return std::nullopt;
  if (const auto* i = node.as_integer()) return std::to_string(i->get());
  if (const auto* f = node.as_floating_point(); f && kind == ValueKind::Real) return ToText(f->get());
  return std::nullopt;
}

const char* Expected(ValueKind kind) {
  switch (kind) {
    case ValueKind::Whole:
      return "a whole number, an array of them, or a text such as \"0:180:20\"";
    case ValueKind::Real:
      return "a number, an array of numbers, or a text such as \"0.1,0.35,1\"";
    case ValueKind::Name:
      return "a text or an array of texts";
  }
  return "";
}

// The text of an option key, or nothing when the value has the wrong type.
std::optional<std::string> OptionText(const toml::node& node, Scalar type) {
  switch (type) {
    case Scalar::Whole:
      if (const auto* i = node.as_integer()) return std::to_string(i->get());
      break;
    case Scalar::Seed:
      if (const auto* i = node.as_integer(); i && i->get() >= 0) return std::to_string(i->get());
      if (const auto* s = node.as_string()) return s->get();
      break;
    case Scalar::Flag:
      if (const auto* b = node.as_boolean()) return b->get() ? "true" : "false";
      break;
    case Scalar::Text:
    case Scalar::Texts:
      if (const auto* s = node.as_string()) return s->get();
      break;
    case Scalar::Real:
      if (const auto* f = node.as_floating_point()) return ToText(f->get());
      if (const auto* i = node.as_integer()) return std::to_string(i->get());
      break;
  }
  return std::nullopt;
}

const char* Expected(Scalar type) {
  switch (type) {
    case Scalar::Whole:
      return "a whole number";
    case Scalar::Seed:
      return "a whole number from 0 (or a text of digits up to 2^64-1)";
    case Scalar::Flag:
      return "true or false";
    case Scalar::Text:
      return "a text";
    case Scalar::Real:
      return "a number";
    case Scalar::Texts:
      return "a text or an array of texts";
  }
  return "";
}

}  // namespace

std::string ReadExperimentFile(const std::string& path, std::vector<ExperimentValue>& values) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return "--experiment: '" + path + "' " + (std::filesystem::exists(path, ec) ? "is not a file" : "does not exist");
  }
  toml::table table;
  try {
    table = toml::parse_file(path);
  } catch (const toml::parse_error& e) {
    const auto line = e.source().begin.line;
    return path + ": line " + std::to_string(line) + ": " + std::string(e.description());
  }
  values.clear();
  for (const auto& [name, node] : table) {
    const std::string key(name.str());
    const std::string where = path + ": '" + key + "'";
    if (const RunKey* run = FindRunKey(key); run && run->sweepable) {
      const ValueKind* kind = &run->kind;
      ExperimentValue v{key, {}, true, where};
      if (const auto* array = node.as_array()) {
        v.expand = false;
        for (const toml::node& item : *array) {
          const auto text = SettingText(item, *kind);
          if (!text) return where + " must be " + Expected(*kind);
          v.items.push_back(*text);
        }
        if (v.items.empty()) return where + " is an empty array";
      } else {
        const auto text = SettingText(node, *kind);
        if (!text) return where + " must be " + Expected(*kind);
        v.items.push_back(*text);
      }
      values.push_back(std::move(v));
      continue;
    }
    const OptionKey* option = nullptr;
    for (const OptionKey& k : kOptionKeys) {
      if (key == k.name) option = &k;
    }
    if (!option) return path + ": unknown key '" + key + "'";
    if (const auto* array = node.as_array(); array && option->type == Scalar::Texts) {
      ExperimentValue v{key, {}, false, where};
      for (const toml::node& item : *array) {
        const auto* s = item.as_string();
        if (!s) return where + " must be " + Expected(option->type);
        v.items.push_back(s->get());
      }
      if (v.items.empty()) return where + " is an empty array";
      values.push_back(std::move(v));
      continue;
    }
    const auto text = OptionText(node, option->type);
    if (!text) return where + " must be " + Expected(option->type);
    values.push_back({key, {*text}, false, where});
  }
  return {};
}

}  // namespace quorvan::batch
