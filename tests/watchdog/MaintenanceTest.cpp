#include "WatchdogFixture.h"

QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second)); // 1, 8 and 15: Tuesdays
}

class MaintenanceTest : public WatchdogFixture {
protected:
    // Each optimisation ends with the sweep, whether its reindex got through or not (nothing is installed
    // here to relaunch).
    int tick(const QDateTime& now) {
        clock.set(now);
        const int before = sweeps;
        maintenance.Optimiza();
        return sweeps - before;
    }
};

TEST_F(MaintenanceTest, ScheduleRunsOnceAfterEachDayAndHourAndCatchesUpAMissedRun) {
    // The two days, the last run's stamp (none: what the tick before left), the moment and the runs due.
    const std::tuple<qint16, qint16, const char*, QDateTime, int> ticks[] = {
        {3, 3, "2026/12/01 08:00:05", at(8, 7, 59), 0}, // the hour still to come today: last week's stands
        {3, 3, nullptr, at(8, 8, 0), 0},
        {3, 3, nullptr, at(8, 8, 0, 30), 1},
        {3, 3, nullptr, at(8, 8, 1), 0},
        {3, 3, nullptr, at(14, 9, 0), 0},
        {3, 3, nullptr, at(15, 8, 0, 30), 1},
        {3, 3, "2026/12/01 08:00:05", at(9, 10, 0), 1},    // started on Wednesday, Tuesday missed
        {3, 3, "", at(9, 10, 0), 1},                       // never optimised
        {9, 0, "", at(9, 10, 0), 0},                       // no such weekday: never due
        {2, 5, "2026/12/07 08:01:00", at(10, 8, 0, 1), 1}, // Monday's done, Thursday's due
        {2, 5, nullptr, at(13, 8, 0, 1), 0},
    };
    for (const auto& [day1, day2, last, now, runs] : ticks) {
        settings.DiaOptimiza = day1;
        settings.DiaOptimiza2 = day2;
        if (last)
            settings.UltOptimiza = last;
        const QString before = settings.UltOptimiza;
        EXPECT_EQ(tick(now), runs) << now.toString();
        EXPECT_EQ(settings.UltOptimiza, runs ? now.toString("yyyy/MM/dd HH:mm:ss") : before);
    }
    EXPECT_EQ(statusFile.UltOptimiza(), "2026/12/10 08:00:01");
    EXPECT_EQ(form.lblUltOptimiza.text(), "2026/12/10 08:00:01");
}

TEST_F(MaintenanceTest, UnreadableHourOrStampIsReportedOnceAndNothingRuns) {
    const std::tuple<QString, QString, QString> cases[] = {
        {"ocho", "", "Optimiza: la hora \"ocho\" de HoraOptimiza no es una hora válida"},
        {"08:00", "ayer", "Optimiza: la fecha \"ayer\" de UltOptimiza en status.ini no es una fecha válida"}};
    for (const auto& [hour, last, error] : cases) {
        settings.HoraOptimiza = hour;
        settings.UltOptimiza = last;
        EXPECT_EQ(tick(at(9, 10, 0)) + tick(at(9, 10, 1)), 0);
        EXPECT_EQ(form.txtError.text(), error);
    }
    EXPECT_EQ(logLines().size(), 2) << "one line per distinct error";
}

TEST_F(MaintenanceTest, FailureIsShownTheSystemStartedAgainAndTheTimeOutGivenBack) {
    const QString closed = "-2147467259%1La conexión con la base de datos no está abierta";
    const std::tuple<void (Maintenance::*)(), Control&, Dialogs::Icon, QString, QString, QString> cases[] = {
        {&Maintenance::btnReindex_Click, form.btnReindex, Dialogs::Icon::Critical, "Rutine: btnReindex",
         closed.arg(" - "), "Indexando"},
        {&Maintenance::btnRepHist_Click, form.btnRepHist, Dialogs::Icon::None, Dialogs::defaultTitle,
         closed.arg("-"), "1-CheckDb"},
    };
    db.setCommandTimeout(SupervisionDb::Which::Acquired, 7s);
    db.close();
    for (const auto& [click, button, icon, title, text, paso] : cases) {
        sweeps = 0;
        button.setBackground(QColor(1, 2, 3));
        (maintenance.*click)();
        dialogs.expectBox(icon, title, text);
        EXPECT_EQ(form.paso.text(), paso) << "the step that failed stays shown";
        EXPECT_EQ(button.background(), QColor(1, 2, 3));
        EXPECT_TRUE(chkAdquisicion);
        EXPECT_FALSE(maintenance.Reindexando());
        EXPECT_EQ(sweeps, 1);
        EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), 7s);
        // The relaunch was tried at once, and its own failure told.
        EXPECT_TRUE(logLines().join("\n").contains("Error al reiniciar Gelmar: No se encuentra " +
                                                   QDir(plant.gelmar).filePath("GSNET.EXE")));
    }
}
