#include "publish/secret_store.h"

#include <qt6keychain/keychain.h>

namespace kr5061 {

namespace {

const QString kService = QStringLiteral("kr5061");

}  // namespace

void KeychainSecretStore::read(const QString& key, ReadDone done) {
    auto* job = new QKeychain::ReadPasswordJob(kService, this);
    job->setAutoDelete(true);
    job->setKey(key);
    connect(job, &QKeychain::Job::finished, this, [done](QKeychain::Job* j) {
        auto* r = static_cast<QKeychain::ReadPasswordJob*>(j);
        if (r->error() == QKeychain::EntryNotFound) {
            done(true, QString(), QString());
        } else {
            done(r->error() == QKeychain::NoError, r->textData(), r->errorString());
        }
    });
    job->start();
}

void KeychainSecretStore::write(const QString& key, const QString& secret, WriteDone done) {
    QKeychain::Job* job = nullptr;
    if (secret.isEmpty()) {
        auto* d = new QKeychain::DeletePasswordJob(kService, this);
        d->setKey(key);
        job = d;
    } else {
        auto* w = new QKeychain::WritePasswordJob(kService, this);
        w->setKey(key);
        w->setTextData(secret);
        job = w;
    }
    job->setAutoDelete(true);
    connect(job, &QKeychain::Job::finished, this, [done](QKeychain::Job* j) {
        const bool ok = j->error() == QKeychain::NoError || j->error() == QKeychain::EntryNotFound;
        done(ok, j->errorString());
    });
    job->start();
}

QString brokerSecretKey(const QString& user, const QString& hostPort) {
    return QStringLiteral("mqtt://%1@%2").arg(user, hostPort);
}

}  // namespace kr5061
