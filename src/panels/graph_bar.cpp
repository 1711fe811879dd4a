#include "panels/graph_bar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <ctime>

#include "panels/setup_rules.h"
#include "panels/ui_common.h"
#include "panels/yaxis_dlg.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

struct FieldSpec {
    int id, x, y, w, h;
};
constexpr FieldSpec kFields[] = {
    {1026, 212, 14, 39, 12}, {1027, 255, 9, 98, 18},  {1014, 36, 32, 76, 12},
    {1078, 157, 32, 37, 12}, {1081, 255, 32, 35, 12}, {1015, 320, 32, 33, 12},
};

struct StaticSpec {
    int id;
    const char* caption;
    int x, y, w, h;
};
constexpr StaticSpec kStatics[] = {
    {1043, "Real-Time Graph", 161, 0, 60, 8}, {1032, "voltage stage", 162, 15, 44, 9},
    {1035, "Start Time", 1, 33, 35, 8},       {1077, "Sample Rate", 113, 33, 43, 8},
    {1079, "Sec", 195, 32, 15, 12},           {1080, "Sample Data", 211, 33, 43, 8},
    {1037, "DataNo.", 292, 33, 26, 8},
};

struct ButtonSpec {
    int id;
    const char* caption;
    int x, w;
    int only;  // channel shown alone; -1 all; -2 the axis dialog
};
constexpr ButtonSpec kButtons[] = {
    {1044, "AIR", 0, 16, kAir},      {1045, "WB", 16, 16, kWetBulb},
    {1046, "DP", 32, 16, kDewPoint}, {1049, "IR/K", 48, 16, kSurface},
    {1050, "RH", 64, 16, kHumidity}, {1047, "Combine", 80, 32, -1},
    {1048, "Y Axis", 117, 32, -2},
};

QString idName(int id) { return QString::number(id); }

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
    for (const StaticSpec& s : kStatics) {
        auto* label = new QLabel(QString::fromLatin1(s.caption), this);
        label->setObjectName(idName(s.id));
        label->setGeometry(duRect(s.x, s.y, s.w, s.h));
        if (s.id != 1043) {
            label->setFont(fieldFont);
        }
    }
    for (const FieldSpec& f : kFields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(idName(f.id));
        edit->setGeometry(duRect(f.x, f.y, f.w, f.h));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setFont(f.id == 1027 ? clockFont : fieldFont);
    }
    for (const ButtonSpec& b : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(idName(b.id));
        button->setGeometry(duRect(b.x, 13, b.w, 14));
        button->setFont(fieldFont);
        button->setFocusPolicy(Qt::NoFocus);
        const int only = b.only;
        connect(button, &QPushButton::clicked, this, [this, only] {
            if (only == -2) {
                setupAxis();
            } else {
                showTraces(only);
            }
        });
    }
    connect(&m_clock, &QTimer::timeout, this, &CGraphBar::tickClock);
    m_clock.start(1000);
}

QLineEdit* CGraphBar::field(int id) const { return findChild<QLineEdit*>(idName(id)); }

QPushButton* CGraphBar::button(int id) const { return findChild<QPushButton*>(idName(id)); }

void CGraphBar::refresh() {
    const GraphBarTexts& t = m_state.graphBar;
    const std::pair<int, const std::string*> texts[] = {
        {1014, &t.m_startTimeText}, {1015, &t.m_dataNoText}, {1026, &t.m_batteryText},
        {1078, &t.m_rateText},      {1081, &t.m_limitText},  {1027, &m_clockText},
    };
    for (const auto& [id, text] : texts) {
        const QString value = QString::fromStdString(*text);
        QLineEdit* edit = field(id);
        if (edit->text() != value) {
            edit->setText(value);
        }
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
