#pragma once

#include <QString>
#include <exception>

// A failed statement. The description is what the error report shows first.
class Failure : public std::exception {
public:
    explicit Failure(QString description) : m_description(std::move(description)) {}
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return "Failure"; }

private:
    QString m_description;
};

// Thrown by the event pump once the main window has begun to close: it ends the running command where
// it stands. Procedures never catch it.
class AppClosingUnwind : public std::exception {
public:
    const char* what() const noexcept override { return "AppClosingUnwind"; }
};
