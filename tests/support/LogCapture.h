#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects "category: message" for every Qt log message of the agent's categories while it lives.
class LogCapture {
public:
    LogCapture() : m_previous(qInstallMessageHandler(&LogCapture::handler)) { current() = this; }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines of one category ("vornnet.link"), without the category.
    QStringList of(const QString& category) const {
        QStringList out;
        for (const QString& line : lines)
            if (line.startsWith(category + QStringLiteral(": ")))
                out << line.mid(category.size() + 2);
        return out;
    }

    QStringList lines;

private:
    static LogCapture*& current() {
        static LogCapture* c = nullptr;
        return c;
    }
    static void handler(QtMsgType, const QMessageLogContext& context, const QString& message) {
        const QString category = QString::fromLatin1(context.category ? context.category : "default");
        if (current() && category.startsWith(QStringLiteral("vornnet.")))
            current()->lines << category + QStringLiteral(": ") + message;
    }

    QtMessageHandler m_previous;
};
