#include "psychro/chart_export.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include "panels/ui_common.h"
#include "psychro/chart_painter.h"
#include "store/export_path.h"

namespace kr5061::psychro {

namespace {

constexpr int kPdfResolution = 1200;

QPageLayout chartPage() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

// The painter's origin is the printable area's corner.
QRect printableArea(const QPageLayout& layout, int resolution) {
    return QRect(QPoint(0, 0), layout.paintRectPixels(resolution).size());
}

bool writePdf(QSaveFile& file, const ChartBackgroundInputs& background,
              const ChartOverlayInputs& overlay) {
    QPdfWriter writer(&file);
    writer.setPageLayout(chartPage());
    writer.setResolution(kPdfResolution);
    writer.setTitle(QStringLiteral("Psychrometric chart"));
    writer.setCreator(kAppTitle);
    QPainter p;
    if (!p.begin(&writer)) {
        return false;
    }
    paintChartPage(p, printableArea(writer.pageLayout(), kPdfResolution), kPdfResolution,
                   background, overlay);
    return p.end();
}

}  // namespace

bool writeChartFile(const QString& path, const ChartBackgroundInputs& background,
                    const ChartOverlayInputs& overlay, const QImage& picture, QString* why) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    const bool pdf = graphFileFormatOf(path.toStdString()) == GraphFileFormat::Pdf;
    const bool drawn =
        pdf ? writePdf(file, background, overlay) : !picture.isNull() && picture.save(&file, "PNG");
    if (!drawn) {
        file.cancelWriting();
        if (why)
            *why = pdf ? QObject::tr("the PDF could not be drawn")
                       : QObject::tr("the image could not be encoded");
        return false;
    }
    if (!file.commit()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

void printChart(QWidget* parent, const ChartBackgroundInputs& background,
                const ChartOverlayInputs& overlay) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(chartPage());
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QPainter p;
    if (!p.begin(&printer)) {
        showMessage(parent, QStringLiteral("Can't start printing!"));
        return;
    }
    paintChartPage(p, printableArea(printer.pageLayout(), printer.resolution()),
                   printer.resolution(), background, overlay);
    p.end();
}

}  // namespace kr5061::psychro
