#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

using namespace std::chrono_literals;

// vornnet [--folder DIR] [--unattended] [--tick-ms N] [--trace] [--create-buffer] [--check] [--test-link]
//         [--status [--json]] [--help] [--version]
struct CommandLine {
    QString folder; // program folder; the executable's folder when not given
    bool unattended = false;
    bool trace = false; // each scheduler step's label on standard output
    std::chrono::milliseconds tick{30s};
    bool createBuffer = false;
    bool check = false;    // check the folder's settings and everything they name, then end
    bool testLink = false; // a life test through each link, then end
    bool status = false;   // ask the folder's running agent what its window shows, then end
    bool json = false;     // --status as one JSON object
    bool help = false;
    bool version = false;

    // The options, or an error text for the user (nullopt result, error set).
    static std::optional<CommandLine> parse(const QStringList& arguments, const QString& executableFolder,
                                            QString* error);
    static QString helpText();
};
