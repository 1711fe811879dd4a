#include "panels/meter_panel.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "link/link_driver.h"
#include "panels/key_button.h"
#include "panels/meter_artwork.h"
#include "panels/qt_convert.h"
#include "panels/ui_common.h"

namespace kr5061 {

namespace {

QFont baseFont(const MeterFontDef& def, int pixelSize) {
    // An unknown face falls back to Arial's metric twin rather than whatever
    // fontconfig ranks first, as a sans-serif family request would.
    QFont f(substituteFace(QString::fromLatin1(def.face)));
    f.setPixelSize(pixelSize);
    f.setStyleHint(def.swiss ? QFont::SansSerif : QFont::AnyStyle);
    f.setWeight(static_cast<QFont::Weight>(def.weight));
    f.setWeight(availableWeight(f, def.weight));
    return f;
}

}  // namespace

QFont meterFont(MeterFont role) {
    const MeterFontDef& def = meterFontDef(role);
    int pixelSize = def.height;
    if (def.heightKind == FontHeight::cell) {
        constexpr int kProbe = 200;
        const double cellPerPixel = QFontMetricsF(baseFont(def, kProbe)).height() / kProbe;
        pixelSize = static_cast<int>(std::lround(def.height / cellPerPixel));
    }
    QFont f = baseFont(def, pixelSize);
    if (def.averageWidth > 0) {
        const QFontMetricsF fm(f);
        const double natural =
            weightedAverageWidth([&fm](char c) { return fm.horizontalAdvance(QLatin1Char(c)); });
        if (natural > 0.0) {
            const long stretch = std::lround(100.0 * def.averageWidth / natural);
            f.setStretch(static_cast<int>(std::clamp(stretch, 1L, 4000L)));
        }
    }
    // The upper digits lean by a tenth of a degree, far below one pixel: drawn upright.
    return f;
}

CMeterPanel::CMeterPanel(LiveState& state, LinkDriver& link, QWidget* parent)
    : QWidget(parent), m_state(state), m_link(link) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kTemplateWidth, kTemplateHeight);
    m_state.meter.m_backlight = false;
    const QImage front = meterFrontImage();
    m_front = QPixmap::fromImage(front);
    for (int i = 0; i < kMeterFontCount; ++i) {
        m_fonts[static_cast<std::size_t>(i)] = meterFont(static_cast<MeterFont>(i));
    }
    const QCursor cursor = meterKeyCursor();
    for (std::size_t i = 0; i < kMeterKeys.size(); ++i) {
        const MeterKey& key = kMeterKeys[i];
        auto* button = new CKeyButton(key, meterKeyImage(front, key), cursor, this);
        m_keys[i] = button;
        connect(button, &CKeyButton::pressed, this,
                [this, &key] { sendKeyFrame(key, keyPressFrame(key)); });
        if (key.hasDoubleClick) {
            connect(button, &CKeyButton::doubleClicked, this, [this, &key] {
                if (const auto frame = keyDoubleClickFrame(key)) {
                    sendKeyFrame(key, *frame);
                }
            });
        }
    }
}

CKeyButton* CMeterPanel::keyButton(int id) const {
    for (CKeyButton* button : m_keys) {
        if (button->key().id == id) {
            return button;
        }
    }
    return nullptr;
}

void CMeterPanel::sendKeyFrame(const MeterKey& key, const CommandFrame& frame) {
    if (m_link.sendFrame(frame)) {
        return;
    }
    // Nothing is retried or queued; the user learns the key did not reach the meter.
    const QString name = key.label[0] != '\0' ? QString::fromUtf8(key.label) : tr("power");
    emit keySendFailed(tr("Key %1 was not sent: the instrument's serial port is not open or "
                          "did not accept it.")
                           .arg(name));
}

void CMeterPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawTiledPixmap(rect(), m_front);
    const MeterDisplay d =
        meterDisplayItems(m_state.meter, m_state.view.m_offline, width(), height());
    for (int i = 0; i < d.fillCount; ++i) {
        const MeterFill& f = d.fills[static_cast<std::size_t>(i)];
        p.fillRect(QRect(f.x, f.y, f.width, f.height), toQColor(f.colour));
    }
    for (int i = 0; i < d.textCount; ++i) {
        const MeterText& t = d.texts[static_cast<std::size_t>(i)];
        if (t.text.empty()) {
            continue;
        }
        const QFont& font = m_fonts[static_cast<std::size_t>(t.font)];
        p.setFont(font);
        p.setPen(toQColor(t.colour));
        // Texts are placed by the top-left corner of their character cell.
        const int baseline = t.y + QFontMetrics(font).ascent();
        p.drawText(QPoint(t.x, baseline),
                   QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size())));
    }
}

void CMeterPanel::keyPressEvent(QKeyEvent* event) {
    if (!swallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

}  // namespace kr5061
