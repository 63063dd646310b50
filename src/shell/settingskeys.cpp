#include "shell/settingskeys.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/modes/betweenstate.h"
#include "engine/procedure.h"
#include "platform/host.h"
#include "platform/settingsstore.h"
#include "shell/proxysecret.h"

#include <QTimer>
#include <cmath>

namespace Settings {

namespace {
const QString Application = QStringLiteral("Marrowick");
const QString Section = QStringLiteral("Quarnel");
const QString Separator = QStringLiteral("||Separator||");

double toNumber(const QString& stored, bool* ok) {
    // "nan" and "inf" parse as numbers but are no value a setting can hold.
    const QString trimmed = stored.trimmed();
    const double number = trimmed.isEmpty() ? 0.0 : trimmed.toDouble(ok);
    if (trimmed.isEmpty() || !std::isfinite(number))
        *ok = false;
    return number;
}

// A stored whole number within [low, high], rounded as the value was typed.
int wholeInRange(const QString& stored, int low, int high) {
    bool ok = false;
    const double number = toNumber(stored, &ok);
    if (!ok || number < low || number > high)
        throw Failure(QStringLiteral("Invalid property value"));
    return static_cast<int>(std::nearbyint(number));
}
} // namespace

QString read(SettingsStore& store, const QString& key, const QString& defaultValue) {
    return store.read(Application, Section, key, defaultValue);
}

void write(SettingsStore& store, const QString& key, const QString& value) {
    store.write(Application, Section, key, value);
}

void writeSoon(SettingsStore& store, const QString& key, const QString& value) {
    store.writeSoon(Application, Section, key, value);
}

int toWholeNumber(const QString& stored) {
    bool ok = false;
    const double number = toNumber(stored, &ok);
    if (!ok || std::abs(number) > 32767)
        throw Failure(QStringLiteral("Type mismatch"));
    const int value = static_cast<int>(std::nearbyint(number));
    if (value < 0 || value > 2) // a check box is unchecked, checked or grayed
        throw Failure(QStringLiteral("Invalid property value"));
    return value;
}

bool toTruthValue(const QString& stored) {
    if (stored.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (stored.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = toNumber(stored, &ok);
    if (!ok)
        throw Failure(QStringLiteral("Type mismatch"));
    return number != 0;
}

int toSeconds(const QString& stored) {
    return wholeInRange(stored, 1, 86'400);
}

int toSettleSeconds(const QString& stored) {
    return wholeInRange(stored, 0, MainState::MaxSettleSeconds);
}

int toScrollViews(const QString& stored) {
    return wholeInRange(stored, 0, MainState::MaxScrollViews);
}

int toPages(const QString& stored) {
    return wholeInRange(stored, 1, MainState::MaxPagesAtOnce);
}

QString joinUrlList(const QStringList& entries) {
    return entries.join(Separator);
}

QStringList splitUrlList(const QString& stored) {
    if (stored.isEmpty())
        return {};
    return stored.split(Separator, Qt::SkipEmptyParts);
}

BetweenSettings readBetween(SettingsStore& store) {
    BetweenSettings s;
    s.startWith = read(store, QStringLiteral("StartWith"), QString());
    s.endWith = read(store, QStringLiteral("EndWith"), QString());
    s.check21 = toWholeNumber(read(store, QStringLiteral("Check21"), QStringLiteral("1")));
    s.check22 = toWholeNumber(read(store, QStringLiteral("Check22"), QStringLiteral("1")));
    return s;
}

void writeStartWith(SettingsStore& store, const QString& text) {
    writeSoon(store, QStringLiteral("StartWith"), text);
}
void writeEndWith(SettingsStore& store, const QString& text) {
    writeSoon(store, QStringLiteral("EndWith"), text);
}
void writeCheck21(SettingsStore& store, int value) {
    writeSoon(store, QStringLiteral("Check21"), QString::number(value));
}
void writeCheck22(SettingsStore& store, int value) {
    writeSoon(store, QStringLiteral("Check22"), QString::number(value));
}
QString readLastFolder(SettingsStore& store) {
    return read(store, QStringLiteral("LastFolder"), QString());
}
void writeLastFolder(SettingsStore& store, const QString& folder) {
    write(store, QStringLiteral("LastFolder"), folder);
}
QString readExtension(SettingsStore& store) {
    return read(store, QStringLiteral("Extension"), QStringLiteral("htm"));
}
void writeExtension(SettingsStore& store, const QString& extension) {
    write(store, QStringLiteral("Extension"), extension);
}

NetworkOptions readNetwork(SettingsStore& store) {
    NetworkOptions options;
    options.userAgent = read(store, QStringLiteral("UserAgent"), QString());
    options.headers = splitUrlList(read(store, QStringLiteral("Headers"), QString()));
    options.cookiesFile = read(store, QStringLiteral("CookiesFile"), QString());
    options.proxy = read(store, QStringLiteral("Proxy"), QString());
    options.retries =
        wholeInRange(read(store, QStringLiteral("Retries"), QString::number(NetworkOptions::DefaultRetries)),
                     0, NetworkOptions::MaxRetries);
    options.perHost = wholeInRange(read(store, QStringLiteral("PerHost"), QStringLiteral("0")), 0,
                                   NetworkOptions::MaxPerHost);
    options.blockAds = read(store, QStringLiteral("BlockAds"), QStringLiteral("1")) != QStringLiteral("0");
    return options;
}

void persistChanges(MainState& state, SettingsStore& store) {
    // These handlers only store a setting: never a report, and never a wait for the disk while typing.
    SettingsStore* s = &store;
    MainState* m = &state;
    QObject::connect(&state, &MainState::check1Changed, &state,
                     [s](int v) { writeSoon(*s, QStringLiteral("Check1"), QString::number(v)); });
    QObject::connect(&state, &MainState::check14Changed, &state,
                     [s](int v) { writeSoon(*s, QStringLiteral("Check14"), QString::number(v)); });
    // Like a click handler, which runs only when its button becomes selected.
    const auto writeOptions = [s, m](bool selected) {
        if (!selected)
            return;
        writeSoon(*s, QStringLiteral("Option1"), fromTruthValue(m->option1()));
        writeSoon(*s, QStringLiteral("Option2"), fromTruthValue(m->option2()));
    };
    QObject::connect(&state, &MainState::option1Changed, &state, writeOptions);
    QObject::connect(&state, &MainState::option2Changed, &state, writeOptions);
    QObject::connect(&state, &MainState::text1Changed, &state,
                     [s](const QString& t) { writeSoon(*s, QStringLiteral("Text1"), t); });
    QObject::connect(&state, &MainState::text2Changed, &state,
                     [s](const QString& t) { writeSoon(*s, QStringLiteral("Text2"), t); });
    QObject::connect(&state, &MainState::pageTimeoutChanged, &state, [s](int seconds) {
        writeSoon(*s, QStringLiteral("PageTimeout"), QString::number(seconds));
    });
    QObject::connect(&state, &MainState::settleSecondsChanged, &state, [s](int seconds) {
        writeSoon(*s, QStringLiteral("SettleTimeout"), QString::number(seconds));
    });
    QObject::connect(&state, &MainState::scrollViewsChanged, &state, [s](int views) {
        writeSoon(*s, QStringLiteral("ScrollViews"), QString::number(views));
    });
    QObject::connect(&state, &MainState::pagesAtOnceChanged, &state, [s](int pages) {
        writeSoon(*s, QStringLiteral("PagesAtOnce"), QString::number(pages));
    });
    QObject::connect(&state, &MainState::networkChanged, &state, [s, m] {
        const NetworkOptions& n = m->network();
        writeSoon(*s, QStringLiteral("Retries"), QString::number(n.retries));
        writeSoon(*s, QStringLiteral("PerHost"), QString::number(n.perHost));
        writeSoon(*s, QStringLiteral("UserAgent"), n.userAgent);
        writeSoon(*s, QStringLiteral("Headers"), joinUrlList(n.headers));
        writeSoon(*s, QStringLiteral("CookiesFile"), n.cookiesFile);
        // Its password is the keyring's (see ProxySecret), never the file's.
        writeSoon(*s, QStringLiteral("Proxy"), ProxySecret::withoutPassword(n.proxy));
        writeSoon(*s, QStringLiteral("BlockAds"), n.blockAds ? QStringLiteral("1") : QStringLiteral("0"));
    });

    // The source list is stored a moment after it changes, not only at close: a program that dies loses at
    // most that moment. Changes within it (a list file of 100,000 lines, a removal) make one write.
    auto* listChanged = new QTimer(&state);
    listChanged->setSingleShot(true);
    listChanged->setInterval(300);
    QObject::connect(listChanged, &QTimer::timeout, &state,
                     [s, m] { writeSoon(*s, QStringLiteral("ListView1"), joinUrlList(m->urls.entries())); });
    const auto soon = [listChanged] {
        if (!listChanged->isActive())
            listChanged->start();
    };
    for (auto changed : {&UrlList::appended, &UrlList::removed, &UrlList::cleared, &UrlList::reset})
        QObject::connect(&state.urls, changed, listChanged, soon);
}

void loadBetweenFields(Host& host, BetweenState& between) {
    // Form2's load: the window's own statements come first (100 to 106), then the four fields.
    Procedure p(host.dialogs, QStringLiteral("Form2.Form_Load"));
    SettingsStore& store = host.settings;
    p.run(108, [&] { between.setStartWith(read(store, QStringLiteral("StartWith"), QString())); });
    p.run(110, [&] { between.setEndWith(read(store, QStringLiteral("EndWith"), QString())); });
    p.run(112, [&] {
        between.setCheck21(toWholeNumber(read(store, QStringLiteral("Check21"), QStringLiteral("1"))));
    });
    p.run(114, [&] {
        between.setCheck22(toWholeNumber(read(store, QStringLiteral("Check22"), QStringLiteral("1"))));
    });
    SettingsStore* s = &store;
    QObject::connect(&between, &BetweenState::startWithChanged, &between,
                     [s](const QString& t) { writeStartWith(*s, t); });
    QObject::connect(&between, &BetweenState::endWithChanged, &between,
                     [s](const QString& t) { writeEndWith(*s, t); });
    QObject::connect(&between, &BetweenState::check21Changed, &between, [s](int v) { writeCheck21(*s, v); });
    QObject::connect(&between, &BetweenState::check22Changed, &between, [s](int v) { writeCheck22(*s, v); });
}

} // namespace Settings
