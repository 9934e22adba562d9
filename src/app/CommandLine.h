#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// vornnet [--folder DIR] [--unattended] [--tick-ms N] [--create-buffer] [--help] [--version]
struct CommandLine {
    QString folder; // program folder; the executable's folder when not given
    bool unattended = false;
    std::chrono::milliseconds tick{30000};
    bool createBuffer = false;
    bool help = false;
    bool version = false;

    // The options, or an error text for the user (nullopt result, error set).
    static std::optional<CommandLine> parse(const QStringList& arguments, const QString& executableFolder,
                                            QString* error);
    static QString helpText();
};
