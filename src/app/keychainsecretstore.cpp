#include "app/keychainsecretstore.h"

#include "base/failure.h"

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Quarnel");

// How long the keyring may take to answer: a session with no Secret Service may never answer at all.
constexpr int AnswerMs = 3000;

// Runs `job` to its end; the keyring's error, in words, when it failed for another reason than `allowed`.
// A job the keyring has not answered in time is left to end on its own: nothing of it is read any more.
template <typename Job>
std::unique_ptr<Job> run(std::unique_ptr<Job> job, QKeychain::Error allowed = QKeychain::NoError) {
    job->setAutoDelete(false);
    job->setInsecureFallback(false); // never a plain file instead of the keyring
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(AnswerMs, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    if (!finished) {
        Job* left = job.release();
        QObject::connect(left, &QKeychain::Job::finished, left, &QObject::deleteLater);
        throw Failure(QStringLiteral("no keyring answered within %1 s").arg(AnswerMs / 1000));
    }
    if (job->error() != QKeychain::NoError && job->error() != allowed)
        throw Failure(QStringLiteral("no keyring answered (%1)").arg(job->errorString()));
    return job;
}

} // namespace

std::optional<QString> KeychainSecretStore::read(const QString& key) {
    auto job = std::make_unique<QKeychain::ReadPasswordJob>(Service);
    job->setKey(key);
    job = run(std::move(job), QKeychain::EntryNotFound);
    if (job->error() == QKeychain::EntryNotFound)
        return std::nullopt;
    return job->textData();
}

void KeychainSecretStore::write(const QString& key, const QString& secret) {
    auto job = std::make_unique<QKeychain::WritePasswordJob>(Service);
    job->setKey(key);
    job->setTextData(secret);
    run(std::move(job));
}

void KeychainSecretStore::remove(const QString& key) {
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(Service);
    job->setKey(key);
    run(std::move(job), QKeychain::EntryNotFound);
}
