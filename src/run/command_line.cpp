#include "command_line.h"

#include <cctype>
#include <string_view>

namespace quorvan::batch {

void SetUpApp(CLI::App& app) {
  app.set_help_flag("-h,--help", "Print this help and exit");
  app.get_formatter()->column_width(30);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

std::string RepeatedOption(const CLI::App& app) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->count() > 1 && !option->get_lnames().empty() &&
        option->get_multi_option_policy() != CLI::MultiOptionPolicy::TakeAll) {
      return "--" + option->get_lnames().front() + " is given twice";
    }
  }
  for (const CLI::App* sub : app.get_subcommands()) {
    if (std::string repeated = RepeatedOption(*sub); !repeated.empty()) return repeated;
  }
  return {};
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// "--name: 1 required TEXT missing" names an option given without its value.
std::string MissingValueOption(std::string_view what) {
  if (!StartsWith(what, "--")) return {};
  const std::size_t colon = what.find(": ");
  if (colon == std::string_view::npos || what.substr(colon + 2).find(" required ") == std::string_view::npos ||
      what.size() < 8 || what.substr(what.size() - 8) != " missing") {
    return {};
  }
  const std::string_view name = what.substr(0, colon);
  for (const char c : name.substr(2)) {
    if (!(std::islower(static_cast<unsigned char>(c)) || c == '-')) return {};
  }
  const std::string_view count = what.substr(colon + 2, what.find(' ', colon + 2) - (colon + 2));
  for (const char c : count) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
  }
  return count.empty() ? std::string() : std::string(name);
}

}  // namespace

// CLI11's own words where they would puzzle: a missing value, stray arguments.
std::string ParseErrorText(const CLI::ParseError& error) {
  const std::string what = error.what();
  if (std::string option = MissingValueOption(what); !option.empty()) return option + " needs a value";
  for (const std::string_view lead : {"The following argument was not expected: ",
                                      "The following arguments were not expected: "}) {
    if (StartsWith(what, lead)) return "unknown option or argument: " + what.substr(lead.size());
  }
  return what;
}

int ParseArgs(CLI::App& app, const std::vector<std::string>& args, std::string& output) {
  // CLI11 wants argv-style input read backwards.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    output = app.help();
    return 0;
  } catch (const CLI::CallForVersion& e) {
    output = std::string(e.what()) + "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    output = ParseErrorText(e);
    return 2;
  }
  output = RepeatedOption(app);
  return output.empty() ? -1 : 2;
}

}  // namespace quorvan::batch
