#include "engine/procedure.h"

#include "base/apptexts.h"
#include "base/failure.h"
#include "platform/dialogs.h"

Procedure::Procedure(Dialogs& dialogs, QString location, QString module)
    : m_dialogs(dialogs), m_location(std::move(location)), m_module(std::move(module)) {}

QString Procedure::reportText(const QString& description, const QString& module, const QString& location,
                              int line) {
    return description + QStringLiteral("\r\nin ") + module + location + QStringLiteral(" at line ") +
           QString::number(line) + QStringLiteral("\r\rPlease email screenshot of this message to ") +
           AppTexts::supportAddress();
}

void Procedure::report(int line, const QString& description) {
    if (m_sink) {
        m_sink(line, description);
        return;
    }
    m_dialogs.message(reportText(description, m_module, m_location, line), MessageButtons::Ok,
                      MessageIcon::Warning, QStringLiteral("Application Error"));
}

void Procedure::handleFailure(int line) {
    QString description;
    try {
        throw;
    } catch (const AppClosingUnwind&) {
        throw;
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::bad_alloc&) {
        description = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        description = QString::fromLocal8Bit(e.what());
    } catch (...) {
        description = QStringLiteral("Unexpected error");
    }
    report(line, description);
}
