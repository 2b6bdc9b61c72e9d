#pragma once
// A CSV file (the sweep's tables) as an item model whose numbers sort as
// numbers: each cell shows its text and sorts by its value (Qt::UserRole).

#include <QString>
#include <QStringList>
#include <vector>

class QStandardItemModel;
class QObject;

namespace quorvan {

/// The fields of one CSV line; quoted fields may hold commas and doubled quotes.
QStringList SplitCsvLine(const QString& line);

/// Reads `path` into a new model (header as column titles); null with
/// `error` naming the file and the fault.
QStandardItemModel* ReadCsvModel(const QString& path, QString& error, QObject* parent);

}  // namespace quorvan
