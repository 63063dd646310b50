#pragma once

#include "base/requests.h"

#include <QString>
#include <QStringList>

class SettingsStore;
class MainState;
class BetweenState;
struct Host;

// Every value lives under application "Marrowick", section "Quarnel".
namespace Settings {

QString read(SettingsStore& store, const QString& key, const QString& defaultValue);
void write(SettingsStore& store, const QString& key, const QString& value);     // throws Failure
void writeSoon(SettingsStore& store, const QString& key, const QString& value); // never fails here

// Stored forms and their conversions back. Conversions throw Failure for text they cannot convert.
int toWholeNumber(const QString& stored);   // check-box values
bool toTruthValue(const QString& stored);   // "True"/"False" in any case, or a number (0 is false)
int toSeconds(const QString& stored);       // a time limit: a whole number of seconds, 1 or more
int toSettleSeconds(const QString& stored); // waiting for late content: 0 to 300 seconds
int toScrollViews(const QString& stored);   // scrolling long pages: 0 to 1000 views
int toPages(const QString& stored);         // pages at once: a whole number from 1 to 16
inline QString fromTruthValue(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The source list as one value: entries joined by "||Separator||"; empty pieces are dropped on the way back.
QString joinUrlList(const QStringList& entries);
QStringList splitUrlList(const QString& stored);

// The settings of the "Extract Between" window and of the folder scan.
struct BetweenSettings {
    QString startWith, endWith;
    int check21 = 1, check22 = 1;
};
BetweenSettings readBetween(SettingsStore& store); // throws Failure on an unconvertible check value
void writeStartWith(SettingsStore& store, const QString& text);
void writeEndWith(SettingsStore& store, const QString& text);
void writeCheck21(SettingsStore& store, int value);
void writeCheck22(SettingsStore& store, int value);
QString readLastFolder(SettingsStore& store);
void writeLastFolder(SettingsStore& store, const QString& folder);
QString readExtension(SettingsStore& store);
void writeExtension(SettingsStore& store, const QString& extension);

// The Network dialog's options (retries, pages per host, user agent, headers, cookies file, proxy); a value
// that cannot be converted throws Failure and leaves the rest as the defaults.
NetworkOptions readNetwork(SettingsStore& store);

// Writes the options and search texts of the main window whenever they change.
void persistChanges(MainState& state, SettingsStore& store);

// The "Extract Between" window's load: its four fields from the store (a value that cannot be converted is
// reported and leaves its field as it is), then written back on every change.
void loadBetweenFields(Host& host, BetweenState& between);

} // namespace Settings
