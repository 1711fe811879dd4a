#include "publish/publish_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSysInfo>
#include <QToolButton>
#include <QVBoxLayout>

#include "publish/secret_store.h"
#include "store/journal_recovery.h"

namespace kr5061 {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CPublishDlg::CPublishDlg(const PublishSettings& settings, const QString& password, int comPort,
                         SecretStore& secrets, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_comPort(comPort), m_secrets(secrets) {
    setWindowTitle(QStringLiteral("Publish"));
    auto* form = new QFormLayout;
    m_enabled = new QCheckBox(tr("Publish readings and samples to the broker"), this);
    m_enabled->setChecked(settings.enabled);
    form->addRow(m_enabled);
    m_url = new QLineEdit(qs(settings.url), this);
    m_url->setPlaceholderText(QStringLiteral("mqtt://host:1883/kr5061"));
    form->addRow(tr("Broker &URL:"), m_url);
    m_id = new QLineEdit(qs(settings.id), this);
    m_id->setPlaceholderText(
        qs(defaultInstrumentId(QSysInfo::machineHostName().toStdString(), comPort)));
    form->addRow(tr("Instrument &id:"), m_id);
    m_user = new QLineEdit(qs(settings.user), this);
    form->addRow(tr("U&ser:"), m_user);
    m_password = new QLineEdit(password, this);
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("&Password:"), m_password);
    m_ca = fileRow(form, tr("&CA file:"), qs(settings.caFile));
    m_cert = fileRow(form, tr("Client c&ertificate:"), qs(settings.certFile));
    m_key = fileRow(form, tr("Client &key:"), qs(settings.keyFile));
    m_discovery = new QCheckBox(tr("Announce the instrument to &Home Assistant"), this);
    m_discovery->setChecked(settings.discovery);
    form->addRow(m_discovery);

    m_test = new QPushButton(tr("&Test"), this);
    m_result = new QLabel(this);
    m_result->setWordWrap(true);
    m_result->setMinimumWidth(420);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test);
    testRow->addWidget(m_result, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(testRow);
    layout->addWidget(buttons);
    connect(m_test, &QPushButton::clicked, this, &CPublishDlg::onTest);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPublishDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPublishDlg::reject);
}

CPublishDlg::~CPublishDlg() {
    endTest();
}

QLineEdit* CPublishDlg::fileRow(QFormLayout* form, const QString& label, const QString& value) {
    auto* edit = new QLineEdit(value, this);
    auto* browse = new QToolButton(this);
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, [this, edit] {
        const QString file = QFileDialog::getOpenFileName(this, QString(), edit->text());
        if (!file.isEmpty()) {
            edit->setText(file);
        }
    });
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    form->addRow(label, row);
    return edit;
}

QString CPublishDlg::password() const {
    return m_password->text();
}

PublishSettings CPublishDlg::typedSettings() const {
    PublishSettings s = m_settings;
    s.enabled = m_enabled->isChecked();
    s.url = m_url->text().trimmed().toStdString();
    s.id = m_id->text().trimmed().toStdString();
    s.user = m_user->text().trimmed().toStdString();
    s.caFile = m_ca->text().trimmed().toStdString();
    s.certFile = m_cert->text().trimmed().toStdString();
    s.keyFile = m_key->text().trimmed().toStdString();
    s.discovery = m_discovery->isChecked();
    return s;
}

bool CPublishDlg::checkTyped(PublishTarget& target) {
    const PublishTargetResult r = resolvePublishTarget(
        typedSettings(), QSysInfo::machineHostName().toStdString(), m_comPort, stateDirectory());
    if (!r.ok) {
        m_result->setText(qs(r.error));
        return false;
    }
    target = r.target;
    target.password = password().toStdString();
    return true;
}

void CPublishDlg::onTest() {
    endTest();
    PublishTarget target;
    if (!checkTyped(target)) {
        return;
    }
    MqttOptions options;
    options.url = target.url;
    options.clientId = "kr5061-" + target.id + "-test";
    options.password = target.password;
    options.caFile = target.caFile;
    options.certFile = target.certFile;
    options.keyFile = target.keyFile;
    options.retry = false;
    m_testBroker = qs(brokerAddressText(target.url));
    m_result->setText(tr("Connecting to %1...").arg(m_testBroker));
    m_test->setEnabled(false);
    QPointer<CPublishDlg> self(this);
    m_testConnection =
        std::make_unique<MqttConnection>(std::move(options), [self](const MqttEvent& e) {
            QMetaObject::invokeMethod(
                self,
                [self, e] {
                    if (self)
                        self->onTestEvent(e);
                },
                Qt::QueuedConnection);
        });
    m_testConnection->start();
}

void CPublishDlg::onTestEvent(const MqttEvent& e) {
    if (!m_testConnection) {
        return;
    }
    if (e.kind == MqttEvent::Kind::kConnected) {
        m_result->setText(tr("Connected to %1.").arg(m_testBroker));
        endTest();
    } else if (e.kind == MqttEvent::Kind::kFailed) {
        m_result->setText(tr("Cannot connect to %1: %2.").arg(m_testBroker, qs(e.reason)));
        endTest();
    }
}

void CPublishDlg::endTest() {
    if (m_testConnection) {
        m_testConnection->stop(std::nullopt, 0);
        m_testConnection.reset();
    }
    m_test->setEnabled(true);
}

void CPublishDlg::accept() {
    PublishTarget target;
    const PublishSettings typed = typedSettings();
    // Switched off, the rest need not be complete.
    if (typed.enabled && !checkTyped(target)) {
        return;
    }
    m_settings = typed;
    if (!writePublishSettings(m_settings)) {
        m_result->setText(tr("The settings file cannot be written."));
        return;
    }
    const BrokerUrlResult url = parseBrokerUrl(m_settings.url);
    if (!url.ok) {
        QDialog::accept();
        return;
    }
    const QString user = qs(m_settings.user.empty() ? url.url.user : m_settings.user);
    const QString key = brokerSecretKey(user, qs(brokerAddressText(url.url)));
    QPointer<CPublishDlg> self(this);
    m_secrets.write(key, password(), [self](bool ok, const QString& error) {
        if (!self) {
            return;
        }
        if (ok) {
            self->QDialog::accept();
        } else {
            self->m_result->setText(
                tr("The password cannot be kept in the desktop's secret store: %1").arg(error));
        }
    });
}

}  // namespace kr5061
