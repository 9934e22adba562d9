#pragma once

#include "core/model/ConfigFields.h"
#include "core/settings/AgentSettings.h"

#include <QString>
#include <functional>
#include <optional>

class Dialogs;

// Reads vornnet.ini into the window fields and the settings at start-up, applying the rule of each key. Each
// method is one step of the load, in the order the load calls them. The settings are its own: everyone else
// reads them.
class Configuration {
public:
    // The fields of the window start-up writes.
    struct View {
        ConfigFields fields;
        Control& lblDB; // the tool tips tell the alarm limits
        Control& lblFree;
    };

    Configuration(QString programFolder, View view, Dialogs& dialogs);

    const AgentSettings& settings() const { return m_settings; }
    // The weekly optimisation's last stamp, as status.ini holds it and as each optimisation renews it.
    void setUltOptimiza(const QString& stamp) { m_settings.UltOptimiza = stamp; }

    QString iniPath() const;

    // Section CONFIG, RemotePort to ControlFechasFuturas; visibilidadAlm gets chkAlarms' check state.
    void readConfig(const std::function<void(int)>& visibilidadAlm);
    // The three station addresses as the file sets them ("host:port, A host:port, B none"), for the start
    // line, which goes out before the settings reach the window.
    QString stationsText() const;
    void readOptimizaSchedule();
    void readSmsEntries();

private:
    QString config(const char* key) const;
    void applyAtStart(const ConfigKeys::Field& field);
    // A conversion failure is shown under "Error Vorn-Net" and the key takes its default, so the rest
    // of the load is not lost for one bad value.
    template <typename T, typename Convert> T convertOr(const QString& text, T fallback, Convert convert);

    QString m_folder;
    View m_view;
    AgentSettings m_settings;
    Dialogs& m_dialogs;
};
