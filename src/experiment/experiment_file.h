#pragma once
// An experiment file: a sweep written as TOML, with the keys of the
// command-line options without their dashes.
//
//   wiggle = "0:180:20"          # a range, as on the command line
//   consume = [0.1, 0.35, 1.0]   # or a list
//   mode = "raster"
//   replicates = 5
//   series = true
//   fields = true                # a field history per run in DIR/fields/
//
// or a design over intervals, analysed at its end:
//
//   design = "sobol"
//   samples = 64
//   wiggle = "0..180"
//   outputs = ["deliveries", "successful_50"]

#include <string>
#include <vector>

namespace quorvan::batch {

/// One key of the file, as the command line would give it.
struct ExperimentValue {
  std::string key;
  std::vector<std::string> items;  ///< an array's items, or the one value
  bool expand = true;              ///< a single text: lists and ranges in it are expanded
  std::string where;               ///< for messages: "e.toml: 'wiggle'", or "--wiggle"
};

/// Reads the file. Returns an error naming the file and the fault (missing,
/// a syntax error with its line, an unknown key, a value of the wrong type);
/// empty on success. The values themselves are read by their keys' parsers.
std::string ReadExperimentFile(const std::string& path, std::vector<ExperimentValue>& values);

}  // namespace quorvan::batch
