#pragma once

#include <QImage>
#include <QString>

#include "graph/report_layout.h"
#include "store/text_export.h"

class QWidget;

namespace kr5061 {

// The two exports both windows offer: the data as CSV and the graph as a
// picture.
enum class ExportKind { Csv, GraphImage };

// Asks where to write with a save dialog. The name that comes back ends in the
// export's extension (".csv"; ".png" or ".pdf" as typed or as the chosen
// filter says); empty when the user cancelled.
QString askExportPath(QWidget* parent, ExportKind kind);

// Writes the table as the command line's export does; a failure is shown in
// a message box that names the file.
bool exportCsvFile(QWidget* parent, const QString& path, const TableInput& table);

// Writes the picture on screen as PNG, or for a ".pdf" name the report page
// of `report` (the samples and axis on screen) as vector drawing; a failure
// is shown in a message box that names the file.
bool exportGraphFile(QWidget* parent, const QString& path, const QImage& picture,
                     const ReportSource& report);

}  // namespace kr5061
