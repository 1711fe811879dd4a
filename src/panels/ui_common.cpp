#include "panels/ui_common.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <vector>

#include "panels/font_weight.h"
#include "panels/meter_display.h"

namespace kr5061 {

void showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kAppTitle, text, QMessageBox::Ok);
}

bool swallowDialogKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    event->accept();
    return true;
}

bool askYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

QFont::Weight availableWeight(const QFont& font, int weight) {
    // Upright faces of each family, looked up once: the report asks per text.
    static QHash<QString, std::vector<int>> s_faces;
    const QString family = QFontInfo(font).family();
    auto it = s_faces.find(family);
    if (it == s_faces.end()) {
        std::vector<int> weights;
        for (const QString& style : QFontDatabase::styles(family)) {
            if (!QFontDatabase::italic(family, style)) {
                weights.push_back(QFontDatabase::weight(family, style));
            }
        }
        it = s_faces.insert(family, weights);
    }
    return static_cast<QFont::Weight>(nearestFaceWeight(*it, weight));
}

QString substituteFace(const QString& face) {
    static QHash<QString, QString> s_faces;
    auto it = s_faces.find(face);
    if (it == s_faces.end()) {
        static const QString s_default =
            QFontInfo(QFont(QStringLiteral("KR5061 No Such Face"))).family();
        const QString resolved = QFontInfo(QFont(face)).family();
        const bool missing = resolved.compare(s_default, Qt::CaseInsensitive) == 0 &&
                             face.compare(resolved, Qt::CaseInsensitive) != 0;
        it = s_faces.insert(face, missing ? QStringLiteral("Arial") : face);
    }
    return *it;
}

QFont pixelFont(const QString& face, int pixelHeight, int weight, int averageWidth,
                QFont::StyleHint hint) {
    QFont font(substituteFace(face));
    font.setPixelSize(pixelHeight);
    font.setStyleHint(hint);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setWeight(availableWeight(font, weight));
    if (averageWidth > 0) {
        const QFontMetricsF fm(font);
        const double natural =
            weightedAverageWidth([&fm](char c) { return fm.horizontalAdvance(QLatin1Char(c)); });
        if (natural > 0.0) {
            const long stretch = std::lround(100.0 * averageWidth / natural);
            font.setStretch(static_cast<int>(std::clamp(stretch, 1L, 4000L)));
        }
    }
    return font;
}

void setTextIfChanged(QLineEdit* field, const QString& text) {
    if (field->text() != text) {
        field->setText(text);
    }
}

}  // namespace kr5061
