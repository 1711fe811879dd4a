#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <array>

#include "common/run_state.h"
#include "link/frames.h"
#include "panels/key_table.h"
#include "panels/meter_display.h"

namespace kr5061 {

class CKeyButton;
class LinkDriver;

// A display font as the instrument's artwork asks for it, mapped to Qt: cell
// heights become the pixel size whose ascent plus descent equals them,
// character heights are pixel sizes as they are; the average width is reached
// with a horizontal stretch.
QFont meterFont(MeterFont role);

// The picture of the instrument's front at the left edge, mirroring its
// display, with the nine remote keys over the picture's keys.
class CMeterPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateWidth = 113 * 2, kTemplateHeight = 318 * 2;

    CMeterPanel(LiveState& state, LinkDriver& link, QWidget* parent = nullptr);

    // The part repainted after every accepted frame.
    static QRect displayRect() { return QRect(52, 194, 166 - 52, 345 - 194); }

    CKeyButton* keyButton(int id) const;

signals:
    // A key frame did not leave: the port is closed or refused the bytes. The
    // message is short enough for a status-bar pane; the whole sentence shows
    // as a tooltip at the key.
    void keySendFailed(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void sendKeyFrame(const MeterKey& key, const CommandFrame& frame);

    LiveState& m_state;
    LinkDriver& m_link;
    QPixmap m_front;
    std::array<QFont, kMeterFontCount> m_fonts;
    std::array<CKeyButton*, kMeterKeyCount> m_keys{};
};

}  // namespace kr5061
