#include "webengine/pagescripts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString resource(const char* name) {
    QFile file(QStringLiteral(":/quarnel/js/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("The page script %s is not among the program's resources", name);
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString settleWatcherScript() {
    static const QString script = resource("settle-watcher.js");
    return script;
}

QString pageReadCall(const char* function, const QVariantList& arguments) {
    // Sent with every question to a settling page: without its comment lines.
    static const QString reads = [] {
        QStringList code;
        for (const QString& line : resource("page-reads.js").split(QLatin1Char('\n')))
            if (const QString bare = line.trimmed();
                !bare.startsWith(QStringLiteral("//")) && !bare.startsWith(QStringLiteral("/*")))
                code << line;
        return code.join(QLatin1Char('\n'));
    }();
    const QByteArray values =
        QJsonDocument(QJsonArray::fromVariantList(arguments)).toJson(QJsonDocument::Compact);
    return QStringLiteral("(function () {\n") + reads + QStringLiteral("\nreturn ") +
           QLatin1String(function) + QStringLiteral(".apply(null, ") + QString::fromUtf8(values) +
           QStringLiteral(");\n})()");
}
