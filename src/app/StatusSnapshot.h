#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

class CentralLink;
class EventLog;
class Form1State;
struct StatusFlags;
struct DeliveryState;

// What the window shows, as one JSON object for --status and as the one-line summary systemd shows.
// Reads the model only: the status reporting never changes the agent.
class StatusSnapshot {
public:
    struct Sources {
        QString programFolder;
        const Form1State& form;
        const StatusFlags& flags;
        const DeliveryState& delivery;
        const CentralLink& link;
        // "Arranque incompleto: ..." while the load has not run all its steps; empty once it has.
        std::function<QString()> incompleteStartup = nullptr;
        const EventLog* log = nullptr; // none: nothing to say of the event log
    };

    explicit StatusSnapshot(Sources sources) : m_s(std::move(sources)) {}

    QJsonObject json() const;
    // "Última alarma: id 42; entregas al día; modo SMS: no; condiciones abiertas: ninguna"
    QString summary() const;

    // The conditions of status.ini by key, with their Spanish names, in the order they are reported.
    struct Condition {
        const char* key;
        const char* spanish;
    };
    static const Condition conditions[5];
    // Everything normal: every condition, no delivery failing, no SMS mode.
    static bool allNormal(const QJsonObject& status);
    // The Spanish names of the open conditions of a status object.
    static QStringList openConditions(const QJsonObject& status);
    // A time of the JSON object (ISO 8601, local) as the window writes dates: "07/12/2026 23:59:05".
    static QString localText(const QJsonValue& iso);
    // Which links are secured, and until when the station's certificate last seen on each is valid:
    // "principal (certificado de la central hasta 18/12/2026), secundaria A"; "ninguno".
    static QString securedText(const QJsonObject& status);

private:
    // The position file's id for the plant the window shows, none when there is no file; a file that can
    // not be read leaves it unknown, with why.
    struct Position {
        std::optional<qint64> id;
        QString error;
    };
    Position position() const;

    Sources m_s;
};
