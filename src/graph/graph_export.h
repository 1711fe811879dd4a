#pragma once

#include <QImage>
#include <QString>
#include <initializer_list>
#include <string_view>

#include "graph/report_layout.h"
#include "store/text_export.h"

class QWidget;

namespace kr5061 {

// The two exports both windows offer: the data as CSV and the graph as a
// picture.
enum class ExportKind { Csv, GraphImage };

// Asks where to write with a save dialog. The name that comes back ends in the
// export's extension (".csv"; ".png" or ".pdf" as typed or as the chosen
// filter says); empty when the user cancelled, also at the question below.
QString askExportPath(QWidget* parent, ExportKind kind);

// The final name for what a save dialog returned (see saveTargetFor), after
// asking whether to replace it when the dialog could not have asked; empty
// when the user cancelled or said No.
QString confirmedSavePath(QWidget* parent, const QString& chosen,
                          std::initializer_list<std::string_view> accepted,
                          std::string_view fallback);

// Writes the table as the command line's export does; a failure is shown in
// a message box that names the file. Both exports return what they wrote, as
// a sentence for the status bar; empty after a failure.
QString exportCsvFile(QWidget* parent, const QString& path, const TableInput& table);

// Writes the picture on screen as PNG, or for a ".pdf" name the report page
// of `report` (the samples and axis on screen) as vector drawing; a failure
// is shown in a message box that names the file.
QString exportGraphFile(QWidget* parent, const QString& path, const QImage& picture,
                        const ReportSource& report);

}  // namespace kr5061
