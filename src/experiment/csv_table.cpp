#include "csv_table.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quorvan::batch {

int CsvTable::Column(const std::string& name) const {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (header[i] == name) return static_cast<int>(i);
  return -1;
}

bool CsvTable::Numbers(int column, std::vector<std::optional<double>>& out, std::string& error) const {
  out.clear();
  out.reserve(rows.size());
  const auto c = static_cast<std::size_t>(column);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string& field = rows[r][c];
    if (field.empty()) {
      out.emplace_back();
      continue;
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size() || errno == ERANGE || !std::isfinite(v)) {
      error = "column '" + header[c] + "' holds '" + field + "' in row " + std::to_string(r + 1) + ", not a number";
      return false;
    }
    out.emplace_back(v);
  }
  return true;
}

bool ParseCsv(const std::string& text, const std::string& name, CsvTable& table, std::string& error) {
  table = {};
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  std::size_t line = 1;
  const auto endRow = [&]() {
    row.push_back(std::move(field));
    field.clear();
    if (table.header.empty()) {
      table.header = std::move(row);
    } else if (row.size() != table.header.size()) {
      error = "'" + name + "' line " + std::to_string(line) + " has " + std::to_string(row.size()) +
              " fields; its header has " + std::to_string(table.header.size());
      return false;
    } else {
      table.rows.push_back(std::move(row));
    }
    row.clear();
    any = false;
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        field.push_back(c);
      }
      continue;
    }
    any = true;
    if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      if (!endRow()) return false;
      ++line;
    } else {
      field.push_back(c);
    }
  }
  if (quoted) {
    error = "'" + name + "' ends inside a quoted field";
    return false;
  }
  if (any && !endRow()) return false;
  if (table.header.empty()) {
    error = "'" + name + "' is empty";
    return false;
  }
  return true;
}

bool ReadCsv(const std::string& path, CsvTable& table, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read '" + path + "'";
    return false;
  }
  return ParseCsv(text, path, table, error);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  return q + "\"";
}

}  // namespace quorvan::batch
