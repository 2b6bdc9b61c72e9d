#pragma once
// A CSV table read whole: the header's names and every row's fields as
// texts (quoted fields unquoted), and its columns as numbers.

#include <optional>
#include <string>
#include <vector>

namespace quorvan::batch {

struct CsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;

  /// The index of a column, or -1.
  int Column(const std::string& name) const;
  /// A column's fields as numbers: empty fields are nullopt. False, with a
  /// message naming the row, when a field is neither empty nor a number.
  bool Numbers(int column, std::vector<std::optional<double>>& out, std::string& error) const;
};

/// Parses CSV text (RFC 4180: quotes, doubled quotes, line breaks inside
/// quotes; LF or CRLF). False, with a message naming `name` and the line,
/// when a row's field count differs from the header's.
bool ParseCsv(const std::string& text, const std::string& name, CsvTable& table, std::string& error);
/// Reads and parses a file.
bool ReadCsv(const std::string& path, CsvTable& table, std::string& error);

/// A text as a CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace quorvan::batch
