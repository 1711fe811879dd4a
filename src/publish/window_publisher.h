#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <memory>

#include "common/run_state.h"
#include "publish/publisher.h"
#include "publish/secret_store.h"

namespace kr5061 {

class CHygDoc;
class CHygView;
class LinkDriver;

// The window's publisher: started from the [Publish] settings with the
// password from the secret store, set up by the Publish dialog, shown in a
// status-bar label (the whole text in its tooltip).
class WindowPublisher : public QObject {
    Q_OBJECT
public:
    WindowPublisher(LiveState& state, CHygDoc& doc, LinkDriver& link, CHygView& view,
                    QWidget* parent);
    ~WindowPublisher() override;

    // Replaces the desktop's secret store (tests); before start() or the dialog.
    void setSecretStore(std::unique_ptr<SecretStore> store);

    // Starts publishing when the settings say so (the password is read first).
    void startFromSettings();
    // "Publish...": the dialog; on OK publishing restarts with what was set.
    void OnPublish();
    // The window closes: "offline" goes out, the outbox stays for next time.
    void stop();

    QLabel* statusLabel() const { return m_label; }
    Publisher& publisher() { return m_publisher; }
    SecretStore& secrets() { return *m_secrets; }

signals:
    // A message for the window's status line.
    void message(const QString& text);

private:
    void startWith(const PublishSettings& settings, const QString& password);
    void showStatus();

    LiveState& m_state;
    CHygDoc& m_doc;
    QWidget* m_parent;
    Publisher m_publisher;
    std::unique_ptr<SecretStore> m_secrets;
    QPointer<QLabel> m_label;
};

}  // namespace kr5061
