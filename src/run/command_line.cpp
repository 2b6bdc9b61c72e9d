#include "command_line.h"

#include <regex>

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

std::string ParseErrorText(const CLI::ParseError& error) {
  const std::string what = error.what();
  static const std::regex missing(R"(^(--[a-z-]+): \d+ required .* missing$)");
  if (std::smatch m; std::regex_match(what, m, missing)) return m[1].str() + " needs a value";
  static const std::regex extra(R"(^The following arguments? (was|were) not expected: (.*)$)");
  if (std::smatch m; std::regex_match(what, m, extra)) return "unknown option or argument: " + m[2].str();
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
