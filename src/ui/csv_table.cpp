#include "csv_table.h"

#include <QFile>
#include <QStandardItemModel>
#include <QTextStream>

namespace quorvan {

QStringList SplitCsvLine(const QString& line) {
  QStringList fields;
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted) {
      if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
        field += c;
        ++i;
      } else if (c == u'"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u',') {
      fields << field;
      field.clear();
    } else {
      field += c;
    }
  }
  fields << field;
  return fields;
}

QStandardItemModel* ReadCsvModel(const QString& path, QString& error, QObject* parent) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = QStringLiteral("cannot read '%1': %2").arg(path, file.errorString());
    return nullptr;
  }
  QTextStream in(&file);
  if (in.atEnd()) {
    error = QStringLiteral("'%1' is empty").arg(path);
    return nullptr;
  }
  const QStringList header = SplitCsvLine(in.readLine());
  std::vector<QStringList> rows;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (!line.isEmpty()) rows.push_back(SplitCsvLine(line));
  }
  // A column sorts by one type: whole numbers with all 64 bits (seeds),
  // reals, or texts; empty cells sort last.
  enum class Kind { Whole, Real, Text };
  std::vector<Kind> kinds(static_cast<std::size_t>(header.size()), Kind::Whole);
  for (const QStringList& fields : rows) {
    for (qsizetype c = 0; c < fields.size() && c < header.size(); ++c) {
      Kind& kind = kinds[static_cast<std::size_t>(c)];
      bool ok = fields[c].isEmpty();
      if (!ok && kind == Kind::Whole) fields[c].toULongLong(&ok);
      if (!ok && kind == Kind::Whole) kind = Kind::Real;
      if (!ok && kind == Kind::Real) fields[c].toDouble(&ok);
      if (!ok) kind = Kind::Text;
    }
  }
  auto* model = new QStandardItemModel(0, static_cast<int>(header.size()), parent);
  model->setHorizontalHeaderLabels(header);
  for (const QStringList& fields : rows) {
    QList<QStandardItem*> row;
    for (qsizetype c = 0; c < fields.size(); ++c) {
      const QString& text = fields[c];
      auto* item = new QStandardItem(text);
      item->setEditable(false);
      const Kind kind = c < header.size() ? kinds[static_cast<std::size_t>(c)] : Kind::Text;
      if (kind == Kind::Text) {
        item->setData(text, Qt::UserRole);
      } else {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (!text.isEmpty()) {
          item->setData(kind == Kind::Whole ? QVariant(text.toULongLong()) : QVariant(text.toDouble()), Qt::UserRole);
        }
      }
      row << item;
    }
    model->appendRow(row);
  }
  return model;
}

}  // namespace quorvan
