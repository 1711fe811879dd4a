#include "panels/readout_bar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>

#include "panels/num_edit.h"
#include "panels/qt_convert.h"
#include "panels/setup_rules.h"
#include "panels/ui_common.h"
#include "panels/up_down.h"

namespace kr5061 {

namespace {

QFont fontOf(const FontChoice& f) {
    return pixelFont(QString::fromLatin1(f.face), f.pixelHeight, f.weight, f.averageWidth);
}

QRect alarmStrip() {
    QRect all;
    for (int id = 1; id <= kIndicatorCount; ++id) {
        all |= toQRect(indicatorRect(id));
    }
    return all;
}

}  // namespace

CReadoutBar::CReadoutBar(LiveState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    resize(kTemplateWidth, kTemplateHeight);
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        pal.setColor(role, toQColor(kBarBackground));
    }
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    createControls();
    loadLimitSettings(m_state.readout);
}

void CReadoutBar::createControls() {
    const QFont captionFont = fontOf(kCaptionFont);
    const QFont labelFont = fontOf(kLabelFont);
    const QFont limitFont = fontOf(kLimitFont);
    for (const ReadoutControl& c : readoutControls()) {
        QWidget* w = nullptr;
        const int ch = c.channel;
        switch (c.role) {
            case ReadoutRole::MaxField:
            case ReadoutRole::MinField: {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(true);
                (c.role == ReadoutRole::MaxField ? m_maxFields : m_minFields)[ch] = edit;
                w = edit;
                break;
            }
            case ReadoutRole::HiField:
            case ReadoutRole::LowField: {
                const LimitSide side =
                    c.role == ReadoutRole::HiField ? LimitSide::High : LimitSide::Low;
                QLineEdit* edit =
                    limitFieldFiltersKeys(ch, c.role) ? new CNumEdit(this) : new QLineEdit(this);
                // textEdited comes from the user only, never from the bar's own
                // pushes, so a refresh cannot re-enter the typing path.
                connect(edit, &QLineEdit::textEdited, this,
                        [this, ch, side] { limitTyped(ch, side); });
                (side == LimitSide::High ? m_hiFields : m_loFields)[ch] = edit;
                w = edit;
                break;
            }
            case ReadoutRole::HiSpin:
            case ReadoutRole::LowSpin: {
                const LimitSide side =
                    c.role == ReadoutRole::HiSpin ? LimitSide::High : LimitSide::Low;
                auto* spin = new CUpDown(this);
                spin->attachArrowKeys(limitField(ch, side));  // the field before the spin
                connect(spin, &CUpDown::stepped, this,
                        [this, ch, side](int delta) { limitStepped(ch, side, delta); });
                w = spin;
                break;
            }
            default:
                w = new QLabel(QString::fromLatin1(c.text), this);
                break;
        }
        w->setObjectName(QString::number(c.id));
        w->setGeometry(toQRect(c.rect));
        switch (readoutFont(c.role)) {
            case ReadoutFont::Caption:
                w->setFont(captionFont);
                break;
            case ReadoutFont::Label:
                w->setFont(labelFont);
                break;
            case ReadoutFont::Limit:
                w->setFont(limitFont);
                break;
            case ReadoutFont::None:
                break;
        }
    }
}

QWidget* CReadoutBar::control(int id) const {
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

QLineEdit* CReadoutBar::field(int id) const {
    return qobject_cast<QLineEdit*>(control(id));
}

CUpDown* CReadoutBar::spin(int id) const {
    return qobject_cast<CUpDown*>(control(id));
}

QLineEdit* CReadoutBar::limitField(int channel, LimitSide side) const {
    return (side == LimitSide::High ? m_hiFields : m_loFields)[channel];
}

void CReadoutBar::refresh() {
    pushTexts();
    update(alarmStrip());
}

void CReadoutBar::pushTexts() {
    const ReadoutState& r = m_state.readout;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        setTextIfChanged(m_maxFields[ch], QString::fromStdString(r.m_maxText[ch]));
        setTextIfChanged(m_minFields[ch], QString::fromStdString(r.m_minText[ch]));
        setTextIfChanged(m_hiFields[ch], QString::fromStdString(r.m_hiText[ch]));
        setTextIfChanged(m_loFields[ch], QString::fromStdString(r.m_loText[ch]));
    }
}

void CReadoutBar::limitTyped(int channel, LimitSide side) {
    QLineEdit* edit = limitField(channel, side);
    const int caret = edit->cursorPosition();
    typeLimit(m_state.readout, channel, side, edit->text().toStdString());
    pushTexts();
    // Keep the caret where the user typed, so the next digit lands beside the
    // last one rather than at an end of the rewritten number.
    edit->setCursorPosition(std::min(caret, static_cast<int>(edit->text().size())));
}

void CReadoutBar::limitStepped(int channel, LimitSide side, int delta) {
    spinLimit(m_state.readout, channel, side, delta);
    pushTexts();
}

void CReadoutBar::paintEvent(QPaintEvent* event) {
    paintAlarms(m_blink, m_state.frame);
    for (int id = 1; id <= kIndicatorCount; ++id) {
        QBasicTimer& timer = m_blinkTimers[id];
        // A running timer is left alone: restarting it at every repaint would
        // hold the blink back while frames keep arriving.
        if (m_blink.timerOn(id) && !timer.isActive()) {
            timer.start(kBlinkPeriodMs, this);
        } else if (!m_blink.timerOn(id)) {
            timer.stop();
        }
    }
    QPainter p(this);
    p.fillRect(event->rect(), toQColor(kBarBackground));
    for (int id = 1; id <= kIndicatorCount; ++id) {
        p.fillRect(toQRect(indicatorRect(id)), toQColor(squareColour(m_blink.shown(id))));
    }
}

void CReadoutBar::blinkTimerFired(int id) {
    if (blinkTick(m_blink, id)) {
        update(toQRect(indicatorRect(id)));
    }
}

void CReadoutBar::timerEvent(QTimerEvent* event) {
    for (int id = 1; id <= kIndicatorCount; ++id) {
        if (event->timerId() == m_blinkTimers[id].timerId()) {
            blinkTimerFired(id);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void CReadoutBar::keyPressEvent(QKeyEvent* event) {
    if (!swallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

}  // namespace kr5061
