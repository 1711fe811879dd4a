#include "graph/graph_export.h"

#include <QFileDialog>
#include <QSaveFile>
#include <ctime>

#include "graph/report_printer.h"
#include "panels/ui_common.h"
#include "store/export_path.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

const QString kCsvFilter = QStringLiteral("CSV Files (*.csv)");
const QString kPngFilter = QStringLiteral("PNG Images (*.png)");
const QString kPdfFilter = QStringLiteral("PDF Documents (*.pdf)");

void tellFailure(QWidget* parent, const QString& path, const QString& why) {
    showMessage(parent, QObject::tr("The file %1 could not be written: %2").arg(path, why));
}

}  // namespace

QString askExportPath(QWidget* parent, ExportKind kind) {
    const bool csv = kind == ExportKind::Csv;
    QFileDialog dlg(parent, csv ? QObject::tr("Export CSV") : QObject::tr("Export Graph Image"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(csv ? QStringList{kCsvFilter} : QStringList{kPngFilter, kPdfFilter});
    dlg.selectFile(QString::fromStdString(suggestedFileName(std::time(nullptr))));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return QString();
    }
    const std::string chosen = dlg.selectedFiles().constFirst().toStdString();
    std::string path;
    if (csv) {
        path = withExtension(chosen, {".csv"}, ".csv");
    } else {
        const bool pdf = dlg.selectedNameFilter() == kPdfFilter;
        path = withExtension(chosen, {".png", ".pdf"}, pdf ? ".pdf" : ".png");
    }
    return QString::fromStdString(path);
}

bool exportCsvFile(QWidget* parent, const QString& path, const TableInput& table) {
    std::string error;
    if (writeCsvTable(path.toStdString(), table, &error)) {
        return true;
    }
    showMessage(
        parent,
        QObject::tr("The CSV file could not be written: %1").arg(QString::fromStdString(error)));
    return false;
}

bool exportGraphFile(QWidget* parent, const QString& path, const QImage& picture,
                     const ReportSource& report) {
    if (graphFileFormatOf(path.toStdString()) == GraphFileFormat::Pdf) {
        if (!printReportToPdf(path, report)) {
            tellFailure(parent, path, QObject::tr("the PDF could not be created"));
            return false;
        }
        return true;
    }
    // Through a temporary file, so a failed export never leaves half a picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        tellFailure(parent, path, file.errorString());
        return false;
    }
    if (picture.isNull() || !picture.save(&file, "PNG")) {
        file.cancelWriting();
        tellFailure(parent, path, QObject::tr("the image could not be encoded"));
        return false;
    }
    if (!file.commit()) {
        tellFailure(parent, path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace kr5061
