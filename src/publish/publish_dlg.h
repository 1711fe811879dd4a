#pragma once

#include <QDialog>
#include <memory>

#include "publish/mqtt_connection.h"
#include "publish/publish_settings.h"

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kr5061 {

class SecretStore;

// "Publish": broker URL, instrument id, user, password, CA file, client
// certificate and key, discovery on or off. Test connects once and says what
// happened; OK keeps the settings in the settings file and the password in
// the secret store.
class CPublishDlg : public QDialog {
    Q_OBJECT
public:
    CPublishDlg(const PublishSettings& settings, const QString& password, int comPort,
                SecretStore& secrets, QWidget* parent = nullptr);
    ~CPublishDlg() override;

    // What the user accepted; valid after OK.
    const PublishSettings& settings() const { return m_settings; }
    QString password() const;

    QLineEdit* urlEdit() const { return m_url; }
    QLineEdit* idEdit() const { return m_id; }
    QLineEdit* userEdit() const { return m_user; }
    QLineEdit* passwordEdit() const { return m_password; }
    QLineEdit* caEdit() const { return m_ca; }
    QCheckBox* enabledBox() const { return m_enabled; }
    QCheckBox* discoveryBox() const { return m_discovery; }
    QPushButton* testButton() const { return m_test; }
    QLabel* resultLabel() const { return m_result; }

    void accept() override;

private:
    PublishSettings typedSettings() const;
    bool checkTyped(PublishTarget& target);
    void onTest();
    void onTestEvent(const MqttEvent& event);
    void endTest();
    QLineEdit* fileRow(QFormLayout* form, const QString& label, const QString& value);

    PublishSettings m_settings;
    int m_comPort;
    SecretStore& m_secrets;
    QLineEdit* m_url;
    QLineEdit* m_id;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_ca;
    QLineEdit* m_cert;
    QLineEdit* m_key;
    QCheckBox* m_enabled;
    QCheckBox* m_discovery;
    QPushButton* m_test;
    QLabel* m_result;
    std::unique_ptr<MqttConnection> m_testConnection;
    QString m_testBroker;
};

}  // namespace kr5061
