#include "graph/report_printer.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPolygon>
#include <QPrintDialog>
#include <QPrinter>
#include <QTransform>
#include <cmath>
#include <ctime>

#include "panels/qt_convert.h"
#include "panels/ui_common.h"

namespace kr5061 {
namespace {

const QString kDocumentName = QStringLiteral("client   print");

QPen toQPen(const ReportPen& p) {
    QPen pen(toQColor(p.colour));
    pen.setWidthF(p.width);
    if (p.style == ReportPenStyle::Dotted) {
        pen.setStyle(Qt::DotLine);
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

void drawPolyline(QPainter& painter, const ReportOp& op) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(op.points.size()));
    for (const ReportPoint& p : op.points)
        polygon << QPoint(p.x, p.y);
    painter.setPen(toQPen(op.pen));
    painter.drawPolyline(polygon);
}

// Texts are drawn in device space: the page mapping flips y, and a flipped
// painter would mirror the glyphs.
void drawText(QPainter& painter, const QTransform& device, double pixelsPerUnit,
              const ReportOp& op) {
    const int pixels = static_cast<int>(std::lround(reportFontHeight(op.font) * pixelsPerUnit));
    if (pixels < 1)
        return;
    const QFont font = pixelFont(QString::fromLatin1(kReportFontFace), pixels, kReportFontWeight);
    const QPointF topLeft = device.map(QPointF(op.at.x, op.at.y));
    painter.setFont(font);
    painter.setPen(toQColor(op.colour));
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()),
                     QString::fromStdString(op.text));
}

}  // namespace

QString reportFailureMessage(ReportPrintResult result) {
    switch (result) {
        case ReportPrintResult::Printed:
            return {};
        case ReportPrintResult::NoPrinter:
            return QStringLiteral("Printer is busy!");
        case ReportPrintResult::DocumentFailed:
            return QStringLiteral("Initial error!");
        case ReportPrintResult::PageFailed:
            return QStringLiteral("Can't start printing!");
    }
    return {};
}

void renderReport(QPainter& painter, const QRect& pageRect, int resolution, const ReportOps& ops) {
    if (resolution <= 0)
        return;
    const double s = resolution / static_cast<double>(kReportUnitsPerInch);
    const QTransform base = painter.worldTransform();
    const QPointF origin(pageRect.x() + pageRect.width(), pageRect.y() + pageRect.height());
    const QTransform unitsToPixels(s, 0, 0, -s, origin.x(), origin.y());
    const QTransform page = unitsToPixels * base;

    painter.save();
    // A printer cannot mark paper outside its printable area, but a PDF page
    // can: clip there, so traces running off the chart end at the page edge
    // on both.
    painter.setClipRect(pageRect);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const ReportOp& op : ops.ops) {
        switch (op.kind) {
            case ReportOpKind::Polyline:
                painter.setWorldTransform(page);
                drawPolyline(painter, op);
                break;
            case ReportOpKind::Fill:
                // Unclipped: a mask covers the edge pixels of the printable
                // area whole, where the clipped traces cover only a part.
                painter.setClipping(false);
                painter.setWorldTransform(page);
                painter.fillRect(QRectF(QPointF(op.left, op.bottom), QPointF(op.right, op.top)),
                                 toQColor(op.colour));
                painter.setWorldTransform(base);
                painter.setClipRect(pageRect);
                break;
            case ReportOpKind::Text:
                painter.setWorldTransform(base);
                drawText(painter, unitsToPixels, s, op);
                break;
        }
    }
    painter.restore();
}

ReportPrintResult printReportOn(QPrinter& printer, const ReportSource& src,
                                std::int64_t printTime) {
    if (!printer.isValid())
        return ReportPrintResult::NoPrinter;
    printer.setDocName(kDocumentName);
    QPainter painter;
    if (!painter.begin(&printer))
        return ReportPrintResult::DocumentFailed;
    // Opening the job also opens its first page; a job that reports an error
    // right away has no page to draw on.
    if (printer.printerState() == QPrinter::Error) {
        printer.abort();
        painter.end();
        return ReportPrintResult::PageFailed;
    }
    const int resolution = printer.resolution();
    const QRect area(0, 0, printer.width(), printer.height());
    ReportPage page;
    page.width = area.width() * kReportUnitsPerInch / resolution;
    page.height = area.height() * kReportUnitsPerInch / resolution;
    ReportOps ops;
    layoutReportPage(src, page, printTime, ops);
    renderReport(painter, area, resolution, ops);
    painter.end();
    return ReportPrintResult::Printed;
}

void printTestReport(QWidget* parent, const ReportSource& src) {
    if (src.count < 1)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    // One page, nothing to select. Printing to a file stays offered: on a
    // machine without a printer it is the only way to get the report.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString message = reportFailureMessage(
        printReportOn(printer, src, static_cast<std::int64_t>(std::time(nullptr))));
    if (!message.isEmpty())
        showMessage(parent, message);
}

bool printReportToPdf(const QString& path, const ReportSource& src, std::int64_t printTime) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    // A4 whatever the locale: the title sits 11.2 inches above the bottom of
    // the printable area, more than a Letter page offers.
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(path);
    return printReportOn(printer, src, printTime) == ReportPrintResult::Printed &&
           printer.printerState() != QPrinter::Error;
}

bool printReportToPdf(const QString& path, const ReportSource& src) {
    return printReportToPdf(path, src, static_cast<std::int64_t>(std::time(nullptr)));
}

}  // namespace kr5061
