#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

#include "graph/report_layout.h"

class QPainter;
class QPrinter;
class QWidget;

namespace kr5061 {

// How printing one report on a printer ended.
enum class ReportPrintResult {
    Printed,
    NoPrinter,       // the printer is not usable
    DocumentFailed,  // the print job could not be opened
    PageFailed,      // the job opened but its page could not be started; the job is aborted
};

// The message box text for a failed print; empty when the report was printed.
QString reportFailureMessage(ReportPrintResult result);

// Draws laid-out report operations. pageRect is the printable area in the
// painter's device pixels, resolution its dots per inch; page units are mapped
// from its bottom-right corner with y upward, and texts stay upright.
void renderReport(QPainter& painter, const QRect& pageRect, int resolution, const ReportOps& ops);

// Prints the report as one page of a job named "client   print" on a printer
// that is already set up (by the print dialog, or for a PDF file).
ReportPrintResult printReportOn(QPrinter& printer, const ReportSource& src, std::int64_t printTime);

// The Print command: with no samples it does nothing; otherwise it asks for a
// printer (or a file) and prints, telling the user in a message box when the
// print could not be done. A cancelled dialog prints nothing.
void printTestReport(QWidget* parent, const ReportSource& src);

// The same page written to a PDF file without a dialog. False when the file
// could not be written.
bool printReportToPdf(const QString& path, const ReportSource& src, std::int64_t printTime);
bool printReportToPdf(const QString& path, const ReportSource& src);

}  // namespace kr5061
