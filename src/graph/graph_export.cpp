#include "graph/graph_export.h"

#include <QFileDialog>
#include <QFileInfo>
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
    const QString chosen = dlg.selectedFiles().constFirst();
    if (csv) {
        return confirmedSavePath(parent, chosen, {".csv"}, ".csv");
    }
    const bool pdf = dlg.selectedNameFilter() == kPdfFilter;
    return confirmedSavePath(parent, chosen, {".png", ".pdf"}, pdf ? ".pdf" : ".png");
}

QString confirmedSavePath(QWidget* parent, const QString& chosen,
                          std::initializer_list<std::string_view> accepted,
                          std::string_view fallback) {
    const SaveTarget target = saveTargetFor(chosen.toStdString(), accepted, fallback);
    const QString path = QString::fromStdString(target.path);
    if (target.askToReplace &&
        !askYesNo(parent, QObject::tr("%1 already exists.\nDo you want to replace it?")
                              .arg(QFileInfo(path).fileName()))) {
        return QString();
    }
    return path;
}

QString exportCsvFile(QWidget* parent, const QString& path, const TableInput& table) {
    std::string error;
    if (writeCsvTable(path.toStdString(), table, &error)) {
        return QObject::tr("Exported %1 samples to %2").arg(table.count).arg(path);
    }
    showMessage(
        parent,
        QObject::tr("The CSV file could not be written: %1").arg(QString::fromStdString(error)));
    return QString();
}

QString exportGraphFile(QWidget* parent, const QString& path, const QImage& picture,
                        const ReportSource& report) {
    const QString done = QObject::tr("Saved the graph to %1").arg(path);
    if (graphFileFormatOf(path.toStdString()) == GraphFileFormat::Pdf) {
        if (!printReportToPdf(path, report)) {
            tellFailure(parent, path, QObject::tr("the PDF could not be created"));
            return QString();
        }
        return done;
    }
    // Through a temporary file, so a failed export never leaves half a picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        tellFailure(parent, path, file.errorString());
        return QString();
    }
    if (picture.isNull() || !picture.save(&file, "PNG")) {
        file.cancelWriting();
        tellFailure(parent, path, QObject::tr("the image could not be encoded"));
        return QString();
    }
    if (!file.commit()) {
        tellFailure(parent, path, file.errorString());
        return QString();
    }
    return done;
}

}  // namespace kr5061
