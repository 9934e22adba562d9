#include "MaintenanceFixture.h"
#include "core/AgentError.h"

namespace {

QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second)); // 1, 8 and 15: Tuesdays
}

class MaintenanceTest : public MaintenanceFixture {
protected:
    // Each optimisation ends with the sweep, whether its reindex got through or not (no supervision
    // system is installed here, so its relaunch fails).
    int tick(const QDateTime& now) {
        clock.set(now);
        const int before = sweeps;
        maintenance.Optimiza();
        return sweeps - before;
    }
};

TEST_F(MaintenanceTest, DefaultScheduleRunsOnceAfterTuesdayEightAndNotAgainThatWeek) {
    settings.UltOptimiza = "2026/12/01 08:00:05";
    const struct {
        QDateTime now;
        int runs;
    } ticks[] = {
        {at(8, 7, 59), 0}, // the hour still to come today: last week's run stands
        {at(8, 8, 0), 0},  {at(8, 8, 0, 30), 1}, {at(8, 8, 1), 0},      {at(8, 23, 59), 0},
        {at(9, 8, 1), 0},  {at(14, 9, 0), 0},    {at(15, 8, 0, 30), 1},
    };
    for (const auto& t : ticks)
        EXPECT_EQ(tick(t.now), t.runs) << t.now.toString().toStdString();
    EXPECT_EQ(statusFile.UltOptimiza(), "2026/12/15 08:00:30");
    EXPECT_EQ(form.lblUltOptimiza.text(), "2026/12/15 08:00:30");
    EXPECT_EQ(settings.UltOptimiza, "2026/12/15 08:00:30");
}

TEST_F(MaintenanceTest, FirstTickCatchesUpAMissedRunAndTwoDaysEachRunOnce) {
    const struct {
        qint16 day1, day2;
        QString last;
        QDateTime now;
        int runs;
    } cases[] = {
        {3, 3, "2026/12/01 08:00:05", at(9, 10, 0), 1},    // started on Wednesday, Tuesday missed
        {3, 3, "", at(9, 10, 0), 1},                       // never optimised
        {3, 3, "2026/12/08 08:00:05", at(9, 10, 0), 0},    // done this week
        {9, 0, "", at(9, 10, 0), 0},                       // no such weekday: never due
        {2, 5, "2026/12/07 08:01:00", at(10, 8, 0, 1), 1}, // Monday's done, Thursday's due
        {2, 5, "2026/12/10 08:00:01", at(13, 8, 0, 1), 0},
        {2, 5, "2026/12/10 08:00:01", at(14, 8, 0, 1), 1},
    };
    for (const auto& c : cases) {
        settings.DiaOptimiza = c.day1;
        settings.DiaOptimiza2 = c.day2;
        settings.UltOptimiza = c.last;
        EXPECT_EQ(tick(c.now), c.runs) << c.last.toStdString() << " " << c.now.toString().toStdString();
        EXPECT_EQ(settings.UltOptimiza, c.runs ? c.now.toString("yyyy/MM/dd HH:mm:ss") : c.last);
    }
}

TEST_F(MaintenanceTest, UnreadableHourOrStampIsReportedOnceAndNothingRuns) {
    const struct {
        QString hour, last, error;
    } cases[] = {
        {"ocho", "", "Optimiza: la hora \"ocho\" de HoraOptimiza no es una hora válida"},
        {"08:00", "ayer", "Optimiza: la fecha \"ayer\" de UltOptimiza en status.ini no es una fecha válida"},
    };
    for (const auto& c : cases) {
        settings.HoraOptimiza = c.hour;
        settings.UltOptimiza = c.last;
        EXPECT_EQ(tick(at(9, 10, 0)), 0);
        EXPECT_EQ(tick(at(9, 10, 1)), 0);
        EXPECT_EQ(form.txtError.text(), c.error);
    }
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2) << "one line per distinct error";
    EXPECT_TRUE(lines[1].startsWith(cases[1].error + " Hora: "));
}

TEST_F(MaintenanceTest, WithoutTheWeeklyBoxTheReindexOnlyRefuses) {
    form.chkOptimiza.setChecked(false);
    settings.UltOptimiza = "";
    EXPECT_EQ(tick(at(9, 10, 0)), 0);
    maintenance.btnReindex_Click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              "No se realizó el proceso porque no está activa la casilla de optimiza semanal");
    EXPECT_EQ(form.paso.text(), "-");
    EXPECT_FALSE(form.btnReindex.background().isValid());
    EXPECT_EQ(sweeps, 0);
    EXPECT_EQ(indexSql(), "CREATE INDEX IX_HistoricalData ON HistoricalData (Timestamp)");
}

TEST_F(MaintenanceTest, FailureIsShownTheSystemStartedAgainAndTheTimeOutGivenBack) {
    const QString number = "-2147467259", closed = "La conexión con la base de datos no está abierta";
    const struct {
        void (Maintenance::*click)();
        Control& button;
        Dialogs::Icon icon;
        QString title, text, paso;
    } cases[] = {
        {&Maintenance::btnReindex_Click, form.btnReindex, Dialogs::Icon::Critical, "Rutine: btnReindex",
         number + " - " + closed, "Indexando"},
        {&Maintenance::btnRepHist_Click, form.btnRepHist, Dialogs::Icon::None, Dialogs::defaultTitle,
         number + "-" + closed, "1-CheckDb"},
    };
    db.setCommandTimeout(SupervisionDb::Which::Acquired, 7s);
    db.close();
    for (const auto& c : cases) {
        dialogs.shown.clear();
        sweeps = 0;
        chkAdquisicion = true;
        c.button.setBackground(QColor(1, 2, 3));
        (maintenance.*c.click)();
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].icon, c.icon);
        EXPECT_EQ(dialogs.shown[0].title, c.title);
        EXPECT_EQ(dialogs.shown[0].text, c.text);
        EXPECT_EQ(form.paso.text(), c.paso) << "the step that failed stays shown";
        EXPECT_EQ(c.button.background(), QColor(1, 2, 3));
        EXPECT_TRUE(chkAdquisicion);
        EXPECT_FALSE(maintenance.Reindexando());
        EXPECT_EQ(sweeps, 1);
        EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), 7s);
        // The relaunch was tried, and its own failure told.
        EXPECT_TRUE(logLines().join("\n").contains("Error al reiniciar Gelmar: No se encuentra " +
                                                   QDir(plant.gelmar).filePath("GSNET.EXE")));
    }
}

TEST_F(MaintenanceTest, RepairThatCannotWriteItsLogStopsNothing) {
    ASSERT_TRUE(QDir().mkpath(maintenance.repairLogPath())); // a folder in the log's place
    maintenance.btnRepHist_Click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("75-No se puede escribir " + maintenance.repairLogPath()));
    EXPECT_FALSE(form.btnRepHist.background().isValid());
    EXPECT_EQ(form.paso.text(), "-");
    EXPECT_EQ(sweeps, 0);
}

} // namespace
