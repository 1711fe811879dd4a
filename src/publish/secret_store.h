#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace kr5061 {

// Where the broker password is kept: never the settings file. Both calls
// answer later, on the caller's thread, through `done`.
class SecretStore : public QObject {
    Q_OBJECT
public:
    using ReadDone = std::function<void(bool ok, const QString& secret, const QString& error)>;
    using WriteDone = std::function<void(bool ok, const QString& error)>;

    using QObject::QObject;
    // An absent secret reads as ok with an empty text.
    virtual void read(const QString& key, ReadDone done) = 0;
    // An empty secret deletes the entry.
    virtual void write(const QString& key, const QString& secret, WriteDone done) = 0;
};

// The desktop's secret store (Secret Service, KWallet, ...) through QtKeychain.
class KeychainSecretStore : public SecretStore {
    Q_OBJECT
public:
    using SecretStore::SecretStore;
    void read(const QString& key, ReadDone done) override;
    void write(const QString& key, const QString& secret, WriteDone done) override;
};

// The key of a broker's password: "mqtt://user@host:port".
QString brokerSecretKey(const QString& user, const QString& hostPort);

}  // namespace kr5061
