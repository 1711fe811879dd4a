#include "panels/graph_bar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <ctime>

#include "panels/graph_bar_layout.h"
#include "panels/qt_convert.h"
#include "panels/setup_rules.h"
#include "panels/ui_common.h"
#include "panels/yaxis_dlg.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

QString idName(int id) {
    return QString::number(id);
}

}  // namespace

CGraphBar::CGraphBar(LiveState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    resize(kTemplateWidth, kTemplateHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(240, 240, 240));
    pal.setColor(QPalette::Base, QColor(240, 240, 240));
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    const QFont fieldFont = pixelFont(QStringLiteral("Arial"), 14, 500);
    const QFont clockFont = pixelFont(QStringLiteral("Black Arial"), 20, 500);
    for (const GraphBarControl& c : graphBarControls()) {
        QWidget* w = nullptr;
        const QString text = QString::fromLatin1(c.text);
        switch (c.kind) {
            case GraphBarKind::Caption:
                w = new QLabel(text, this);
                break;
            case GraphBarKind::Field: {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(true);
                edit->setFocusPolicy(Qt::NoFocus);
                w = edit;
                break;
            }
            case GraphBarKind::Button: {
                auto* button = new QPushButton(text, this);
                button->setFocusPolicy(Qt::NoFocus);
                const int action = c.action;
                connect(button, &QPushButton::clicked, this, [this, action] {
                    if (action == kAxisSetup) {
                        setupAxis();
                    } else {
                        showTraces(action);
                    }
                });
                w = button;
                break;
            }
        }
        w->setObjectName(idName(c.id));
        w->setGeometry(toQRect(c.rect));
        if (c.font != GraphBarFont::Template) {
            w->setFont(c.font == GraphBarFont::Clock ? clockFont : fieldFont);
        }
    }
    connect(&m_clock, &QTimer::timeout, this, &CGraphBar::tickClock);
    m_clock.start(1000);
}

QLineEdit* CGraphBar::field(int id) const {
    return findChild<QLineEdit*>(idName(id));
}

QPushButton* CGraphBar::button(int id) const {
    return findChild<QPushButton*>(idName(id));
}

void CGraphBar::refresh() {
    const GraphBarTexts& t = m_state.graphBar;
    const std::pair<int, const std::string*> texts[] = {
        {1014, &t.m_startTimeText}, {1015, &t.m_dataNoText}, {1026, &t.m_batteryText},
        {1078, &t.m_rateText},      {1081, &t.m_limitText},  {1027, &m_clockText},
    };
    for (const auto& [id, text] : texts) {
        setTextIfChanged(field(id), QString::fromStdString(*text));
    }
}

void CGraphBar::tickClock() {
    m_clockText = formatDateTime(static_cast<std::int64_t>(std::time(nullptr)));
    refresh();
}

void CGraphBar::showTraces(int only) {
    showOnlyTrace(m_state.view, only);
    emit viewsNotified();
}

void CGraphBar::setupAxis() {
    CYAxisDlg dlg(window());
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_state.view.m_gain = gainFromIndex(dlg.m_gainIndex, m_state.view.m_gain);
    m_state.view.m_offset = offsetFromIndex(dlg.m_offsetIndex, m_state.view.m_offset);
    emit viewsNotified();
}

void CGraphBar::keyPressEvent(QKeyEvent* event) {
    if (!swallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

}  // namespace kr5061
