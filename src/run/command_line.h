#pragma once
// What every command of quorvan-batch shares on the command line: how an
// app is set up, and CLI11's faults said as the program says its own.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace quorvan::batch {

/// The app of quorvan-batch (or of one of its commands): help flag, help
/// layout, and options that may be given more than once, so that
/// RepeatedOption can name them instead of CLI11 refusing with its own words.
void SetUpApp(CLI::App& app);

/// "--wiggle is given twice" for the first option of `app` or its chosen
/// subcommand given more than once; empty when none is.
std::string RepeatedOption(const CLI::App& app);

/// A parse error of CLI11 in the program's words: a missing value is
/// "--agents needs a value", an unknown option names it.
std::string ParseErrorText(const CLI::ParseError& error);

/// Parses `args` (without the program name) with `app`. Returns the exit
/// status when the program should stop here (0 after --help or --version,
/// 2 on a fault) with what to print in `output`; -1 when parsing went well.
int ParseArgs(CLI::App& app, const std::vector<std::string>& args, std::string& output);

}  // namespace quorvan::batch
