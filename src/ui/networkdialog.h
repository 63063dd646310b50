#pragma once

#include <QDialog>

struct Host;
class MainState;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// "Network": how pages are asked for. Retries and the limit per host, the user agent, headers for each
// source's own host, a cookies file, a proxy, and whether requests to ad and tracker hosts are made. OK
// checks every field first: a bad one is said in a box and the dialog stays open. The proxy is the engine's
// route from its start: a new one applies from the next start of the program.
class NetworkDialog : public QDialog {
    Q_OBJECT
public:
    NetworkDialog(Host& host, MainState& state, QWidget* parent);
    // Takes the fields when they are all valid; false (and a box that says why) otherwise.
    bool apply();

private:
    void browseCookies();

    Host& m_host;
    MainState& m_state;
    QSpinBox* m_retries = nullptr;
    QSpinBox* m_perHost = nullptr;
    QLineEdit* m_userAgent = nullptr;
    QPlainTextEdit* m_headers = nullptr;
    QLineEdit* m_cookies = nullptr;
    QLineEdit* m_proxy = nullptr;
    QCheckBox* m_blockAds = nullptr;
};
