#pragma once

#include <QString>
#include <exception>

// A failure that a step acts on by its provider-style code, as the supervision databases report them.
class AgentError : public std::exception {
public:
    static constexpr quint32 Unspecified = 0x80004005; // lost or absent connection
    static constexpr quint32 CommandFailed = 0x80040E14;
    static constexpr quint32 MissingObject = 0x80040E37; // missing table or object
    static constexpr quint32 Conversion = 0x800A000D;    // a value of the wrong type

    AgentError(quint32 code, QString description)
        : m_code(code), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

    quint32 code() const { return m_code; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    quint32 m_code;
    QString m_description;
    QByteArray m_what;
};
