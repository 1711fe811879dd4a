#include "publish/window_publisher.h"

#include <QSysInfo>

#include "graph/hyg_view.h"
#include "link/link_driver.h"
#include "publish/publish_dlg.h"
#include "store/hyg_doc.h"
#include "store/journal_recovery.h"

namespace kr5061 {

namespace {

QString secretKeyOf(const PublishSettings& s) {
    const BrokerUrlResult url = parseBrokerUrl(s.url);
    const std::string user = s.user.empty() ? url.url.user : s.user;
    return brokerSecretKey(QString::fromStdString(user),
                           QString::fromStdString(brokerAddressText(url.url)));
}

}  // namespace

WindowPublisher::WindowPublisher(LiveState& state, CHygDoc& doc, LinkDriver& link, CHygView& view,
                                 QWidget* parent)
    : QObject(parent),
      m_state(state),
      m_doc(doc),
      m_parent(parent),
      m_secrets(std::make_unique<KeychainSecretStore>()),
      m_label(new QLabel(parent)) {
    m_label->setObjectName(QStringLiteral("publishStatus"));
    m_label->hide();
    m_publisher.followLink(link, state, doc);
    connect(&view, &CHygView::sampleCommitted, this,
            [this] { m_publisher.sampleCommitted(m_doc, m_state.view); });
    connect(&m_publisher, &Publisher::statusChanged, this, &WindowPublisher::showStatus);
    connect(&m_publisher, &Publisher::logLine, this, &WindowPublisher::message);
}

WindowPublisher::~WindowPublisher() {
    // The window is going: its status bar and message pane may be gone already.
    disconnect(&m_publisher, nullptr, this, nullptr);
    blockSignals(true);
    stop();
}

void WindowPublisher::setSecretStore(std::unique_ptr<SecretStore> store) {
    m_secrets = std::move(store);
}

void WindowPublisher::startFromSettings() {
    const PublishSettings settings = readPublishSettings();
    if (!settings.enabled || !parseBrokerUrl(settings.url).ok) {
        return;
    }
    m_secrets->read(secretKeyOf(settings),
                    [this, settings](bool ok, const QString& secret, const QString& error) {
                        if (!ok) {
                            emit message(tr("The broker password cannot be read from the "
                                            "desktop's secret store: %1")
                                             .arg(error));
                        }
                        startWith(settings, secret);
                    });
}

void WindowPublisher::startWith(const PublishSettings& settings, const QString& password) {
    m_publisher.stop();
    if (!settings.enabled) {
        return;
    }
    const PublishTargetResult r =
        resolvePublishTarget(settings, QSysInfo::machineHostName().toStdString(),
                             m_state.frame.m_comPort, stateDirectory());
    if (!r.ok) {
        emit message(QString::fromStdString(r.error));
        return;
    }
    PublishTarget target = r.target;
    target.password = password.toStdString();
    QString error;
    if (!m_publisher.start(target, &error)) {
        emit message(error);
    }
}

void WindowPublisher::OnPublish() {
    const PublishSettings settings = readPublishSettings();
    const auto open = [this, settings](const QString& password) {
        CPublishDlg dlg(settings, password, m_state.frame.m_comPort, *m_secrets, m_parent);
        if (dlg.exec() == QDialog::Accepted) {
            startWith(dlg.settings(), dlg.password());
        }
    };
    if (!parseBrokerUrl(settings.url).ok) {
        open(QString());
        return;
    }
    m_secrets->read(secretKeyOf(settings),
                    [open](bool, const QString& secret, const QString&) { open(secret); });
}

void WindowPublisher::stop() {
    m_publisher.stop();
}

void WindowPublisher::showStatus() {
    if (!m_label) {
        return;
    }
    const PublishStatus& s = m_publisher.status();
    m_label->setVisible(s.state != PublishState::kOff);
    m_label->setText(m_publisher.statusShort());
    m_label->setToolTip(m_publisher.statusText());
}

}  // namespace kr5061
