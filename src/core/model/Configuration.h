#pragma once

#include "core/model/ConfigFields.h"
#include "core/settings/AgentSettings.h"

#include <QString>
#include <functional>
#include <optional>

class Dialogs;

// Reads vornnet.ini and status.ini into the window fields and the settings at start-up, applying the
// rule of each key. Each method is one step of the load, in the order the load calls them. The settings
// are its own: everyone else reads them.
class Configuration {
public:
    // The fields of the window start-up writes.
    struct View {
        ConfigFields fields;
        Control& form1; // the caption
        Control& lblDB; // the tool tips tell the alarm limits
        Control& lblFree;
        Control& lblUltOptimiza;
    };

    static constexpr const char* optimizaActiveTag = ". << Optimiza activo >> Dia: ";

    Configuration(QString programFolder, View view, Dialogs& dialogs);

    const AgentSettings& settings() const { return m_settings; }
    // The weekly optimisation's new stamp.
    void setUltOptimiza(const QString& stamp) { m_settings.UltOptimiza = stamp; }

    QString iniPath() const;
    QString statusPath() const;

    // The window's caption before the schedule is added to it.
    void rememberCaption();
    // Section CONFIG, RemotePort to ControlFechasFuturas; visibilidadAlm gets chkAlarms' check state.
    void readConfig(const std::function<void(int)>& visibilidadAlm);
    // The three station addresses as the file sets them ("host:port, A host:port, B none"), for the start
    // line, which goes out before the settings reach the window.
    QString stationsText() const;
    void readUltOptimiza();
    void readOptimizaSchedule();
    // The caption with the weekly optimisation's days and hour when chkOptimiza is ticked.
    void applyOptimizaCaption();
    void readSmsEntries();

    static QString dayName(int day);

private:
    QString config(const char* key) const;
    void applyAtStart(const ConfigKeys::Field& field);
    // A conversion failure is shown under "Error Vorn-Net" and the key takes its default, so the rest
    // of the load is not lost for one bad value.
    template <typename T, typename Convert> T convertOr(const QString& text, T fallback, Convert convert);

    QString m_folder;
    QString m_savedCaption;
    View m_view;
    AgentSettings m_settings;
    Dialogs& m_dialogs;
};
