#include "panels/meter_panel.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "link/link_driver.h"
#include "panels/key_button.h"
#include "panels/meter_artwork.h"
#include "panels/qt_convert.h"
#include "panels/ui_common.h"

namespace kr5061 {

QFont meterFont(MeterFont role) {
    const MeterFontDef& def = meterFontDef(role);
    const QString face = QString::fromLatin1(def.face);
    const QFont::StyleHint hint = def.swiss ? QFont::SansSerif : QFont::AnyStyle;
    int pixelSize = def.height;
    if (def.heightKind == FontHeight::cell) {
        constexpr int kProbe = 200;
        const double cellPerPixel =
            QFontMetricsF(pixelFont(face, kProbe, def.weight, 0, hint)).height() / kProbe;
        pixelSize = static_cast<int>(std::lround(def.height / cellPerPixel));
    }
    // The upper digits lean by a tenth of a degree, far below one pixel: drawn upright.
    return pixelFont(face, pixelSize, def.weight, def.averageWidth, hint);
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
    // Nothing is retried or queued; the user learns the key did not reach the
    // meter: the whole sentence beside the key, a short one for the status bar.
    const QString name = key.label[0] != '\0' ? QString::fromUtf8(key.label) : tr("power");
    if (CKeyButton* button = keyButton(key.id); button != nullptr && button->isVisible()) {
        QToolTip::showText(button->mapToGlobal(button->rect().bottomLeft()),
                           tr("Key %1 was not sent: the instrument's serial port is not open or "
                              "did not accept it.")
                               .arg(name),
                           button);
    }
    emit keySendFailed(tr("Key %1 not sent").arg(name));
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
