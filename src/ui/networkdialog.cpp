#include "ui/networkdialog.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "platform/host.h"
#include "shell/proxysecret.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

NetworkDialog::NetworkDialog(Host& host, MainState& state, QWidget* parent)
    : QDialog(parent), m_host(host), m_state(state) {
    setObjectName(QStringLiteral("NetworkDialog"));
    setWindowTitle(QStringLiteral("Network"));
    const NetworkOptions& options = state.network();
    auto* form = new QFormLayout;

    m_retries = new QSpinBox(this);
    m_retries->setObjectName(QStringLiteral("Retries"));
    m_retries->setRange(0, NetworkOptions::MaxRetries);
    m_retries->setValue(options.retries);
    m_retries->setToolTip(QStringLiteral("A page whose server is busy or failing for a moment (HTTP 429, 503 "
                                         "and the like) or whose connection "
                                         "was cut is tried again this many times, after the wait its server "
                                         "asks for (else 1 s, 2 s, 4 s...)."));
    form->addRow(QStringLiteral("Tries again:"), m_retries);

    m_perHost = new QSpinBox(this);
    m_perHost->setObjectName(QStringLiteral("PerHost"));
    m_perHost->setRange(0, NetworkOptions::MaxPerHost);
    m_perHost->setSpecialValueText(QStringLiteral("as many as pages at once"));
    m_perHost->setValue(options.perHost);
    form->addRow(QStringLiteral("Pages of one host at once:"), m_perHost);

    m_userAgent = new QLineEdit(options.userAgent, this);
    m_userAgent->setObjectName(QStringLiteral("UserAgent"));
    m_userAgent->setPlaceholderText(QStringLiteral("the engine's own"));
    form->addRow(QStringLiteral("User agent:"), m_userAgent);

    m_headers = new QPlainTextEdit(options.headers.join(QLatin1Char('\n')), this);
    m_headers->setObjectName(QStringLiteral("Headers"));
    m_headers->setPlaceholderText(QStringLiteral("Name: value, one a line (Accept-Language: de)"));
    m_headers->setToolTip(QStringLiteral("Sent with every request to each source's own origin, never to "
                                         "others, nor where a source redirects or moves on to."));
    m_headers->setFixedHeight(fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(QStringLiteral("Headers:"), m_headers);

    m_cookies = new QLineEdit(options.cookiesFile, this);
    m_cookies->setObjectName(QStringLiteral("CookiesFile"));
    m_cookies->setPlaceholderText(QStringLiteral("a cookies.txt file (Netscape format)"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &NetworkDialog::browseCookies);
    auto* cookiesRow = new QHBoxLayout;
    cookiesRow->addWidget(m_cookies, 1);
    cookiesRow->addWidget(browse);
    form->addRow(QStringLiteral("Cookies:"), cookiesRow);

    m_proxy = new QLineEdit(options.proxy, this);
    m_proxy->setObjectName(QStringLiteral("Proxy"));
    m_proxy->setPlaceholderText(QStringLiteral("http://, https:// or socks5://host:port"));
    form->addRow(QStringLiteral("Proxy:"), m_proxy);
    auto* note = new QLabel(QStringLiteral("A new proxy is used from the next start of Quarnel."), this);
    note->setEnabled(false);
    form->addRow(QString(), note);

    m_blockAds = new QCheckBox(QStringLiteral("Block ads and trackers"), this);
    m_blockAds->setObjectName(QStringLiteral("BlockAds"));
    m_blockAds->setChecked(options.blockAds);
    m_blockAds->setToolTip(QStringLiteral("Pages make no request to the hosts that EasyList and EasyPrivacy "
                                          "block (ad servers, tag managers, analytics): they load sooner, "
                                          "and what such scripts write is never an article's text. A page "
                                          "you list is always loaded."));
    form->addRow(QString(), m_blockAds);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (apply())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(560, sizeHint().height());
}

void NetworkDialog::browseCookies() {
    FileDialogRequest request;
    request.title = QStringLiteral("Cookies File");
    request.filter = QStringLiteral("Cookie Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    request.fileName = m_cookies->text();
    const QString chosen = m_host.dialogs.fileDialog(request);
    if (!chosen.isEmpty())
        m_cookies->setText(chosen);
}

bool NetworkDialog::apply() {
    NetworkOptions options;
    options.retries = m_retries->value();
    options.perHost = m_perHost->value();
    options.userAgent = m_userAgent->text().trimmed();
    for (const QString& line : m_headers->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            options.headers << line.trimmed();
    options.cookiesFile = m_cookies->text().trimmed();
    options.proxy = m_proxy->text().trimmed();
    options.blockAds = m_blockAds->isChecked();
    try {
        Requests::checkNetworkOptions(options);
    } catch (const Failure& failure) {
        QString why = failure.description();
        why[0] = why[0].toUpper();
        m_host.dialogs.message(why + QLatin1Char('.'), MessageButtons::Ok, MessageIcon::Warning);
        return false;
    }
    m_state.setNetwork(options);
    // The settings file keeps the proxy without its password; the keyring keeps that.
    if (m_host.secrets) {
        try {
            ProxySecret::keep(*m_host.secrets, options.proxy);
        } catch (const Failure& failure) {
            m_host.dialogs.message(QStringLiteral("The proxy password is kept for this run only: ") +
                                       failure.description() + QLatin1Char('.'),
                                   MessageButtons::Ok, MessageIcon::Warning);
        }
    }
    return true;
}
