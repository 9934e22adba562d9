#include "WatchdogFixture.h"
#include "forwarding/AlarmScan.h"
#include "watchdog/NoDataRestart.h"

#include <QStorageInfo>

const QColor lightRed(255, 192, 192), white(255, 255, 255);
using StatusUpdateTest = WatchdogFixture;

TEST_F(StatusUpdateTest, RunsAtTheFirstTickOfEachFifthMinuteOnly) {
    for (const auto& [at, runs] : {std::pair{QTime(12, 3), false},
                                   {QTime(12, 5), true},
                                   {QTime(12, 5, 40), false},
                                   {QTime(12, 10, 20), true},
                                   {QTime(13, 10), true}}) {
        form.lblFechaActualizado.setText("");
        clock.set(QDateTime(clock.now().date(), at));
        status.PreActualizaDatosVida();
        EXPECT_EQ(!form.lblFechaActualizado.text().isEmpty(), runs) << at.toString();
        EXPECT_EQ(form.status.text(), "Desconectado") << "the link's state on every tick";
    }
}

TEST_F(StatusUpdateTest, RecordExactlyFiveMinutesAheadIsNotInTheFutureOneSecondMoreRestartsOnce) {
    settings.ControlFechasFuturas = true;
    const QString future = "SISTEMA|" + AlarmScan::futureNotice;
    addHistory(clock.now().addSecs(-20 * 60)); // outside the last 0.33 hour
    addHistory(clock.now().addSecs(5 * 60));
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblNumVidas.text(), "1");
    EXPECT_EQ(form.lblLastDate.background(), white);

    addHistory(clock.now().addSecs(5 * 60 + 1));
    for (int update = 0; update < 3; ++update)
        status.ActualizaDatosVida();
    EXPECT_EQ(restarter.restarts, 1) << "once per episode";
    EXPECT_EQ(form.lblLastDate.background(), lightRed);
    EXPECT_EQ(statusFile.read(StatusFile::Flag::time), "0");
    EXPECT_EQ(notices(), QStringList{future + "|1"});

    addHistory(clock.now()); // the newest record counts, not the latest date
    status.ActualizaDatosVida();
    EXPECT_EQ(notices(), (QStringList{future + "|1", future + "|0"}));
    EXPECT_EQ(statusFile.read(StatusFile::Flag::time), "1");
    EXPECT_EQ(form.lblNumVidas.text(), "3");
}

TEST_F(StatusUpdateTest, FreeSpaceEqualToTheLimitAndSizeEqualToMaxDbAreNormal) {
    // The size is read from the installation folder's file, whatever the connection holds.
    QTemporaryDir other;
    form.txtPathGelmar.setText(other.path());
    QDir().mkpath(other.filePath("database"));
    QFile file(other.filePath("database/_AcquiredDB_x.mdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    settings.minFree = 5;
    settings.MaxDb = 1000;
    const QString low = "SISTEMA|" + StatusUpdate::freeSizeNotice,
                  big = "SISTEMA|" + StatusUpdate::dbSizeNotice;
    const qint64 gb = qint64(1) << 30, mb = qint64(1) << 20;
    const std::tuple<qint64, qint64, const char*, const char*, QStringList> steps[] = {
        {5 * gb, 1000 * mb, "5,00", "1000", {}},
        {5 * gb - 16 * mb, 1000 * mb + mb / 2, "4,98", "1001", {low + "|1", big + "|1"}},
        {5 * gb - mb, 1000 * mb + mb / 2 - 1, "5,00", "1000", {low + "|0", big + "|0"}}, // as shown, rounded
    };
    QStringList expected;
    for (const auto& [bytesFree, size, shownFree, shownSize, added] : steps) {
        freeBytes = bytesFree;
        ASSERT_TRUE(file.resize(size)); // sparse
        status.ActualizaDatosVida();
        EXPECT_EQ(form.txtFreeSpace.text(), shownFree) << "the regional decimal separator";
        EXPECT_EQ(form.txtMbAdquired.text(), shownSize);
        EXPECT_EQ(notices(), expected += added) << shownFree;
    }
}

TEST_F(StatusUpdateTest, FlagsStillOpenAtStartAreNotToldAgainAndAcquisitionWaitsWhileSuspended) {
    // As start-up leaves them after a run that ended with the modem lost and acquisition stopped.
    flags.ModemOK = false;
    flags.Acquisition = false;
    const QString modem = "SISTEMA|" + StatusUpdate::modemNotice;
    EscribeIni(QDir(plant.gelmar).filePath("GS.INI"), "STATUS", "acquisition", "1");
    const std::tuple<const char*, bool, const char*, QStringList> steps[] = {
        {"NM", false, "", {}},
        {"--", false, "", {modem + "|0"}},                      // never read yet: no fault
        {"NC", true, "Detenido", {modem + "|0", modem + "|1"}}, // GS.INI says "1", no network server runs
    };
    for (const auto& [signal, checkAcquisition, acquisition, told] : steps) {
        form.lblSignal.setText(signal);
        chkAdquisicion = checkAcquisition;
        status.ActualizaDatosVida();
        EXPECT_EQ(notices(), told) << signal;
        EXPECT_EQ(form.lblEstadoAdquisicion.text(), acquisition) << signal;
    }
    EXPECT_EQ(statusFile.read(StatusFile::Flag::ModemOK), "0");
    EXPECT_EQ(form.circuloEstado.background(), QColor(255, 0, 0));
}

TEST_F(StatusUpdateTest, AFailureEndsTheUpdateAndIsLoggedOncePerDistinctError) {
    freeBytes = std::nullopt;
    form.txtMbAdquired.setText("untouched");
    status.ActualizaDatosVida();
    status.ActualizaDatosVida();
    const QString noSpace = "No se puede leer el espacio libre de " + plant.gelmar + " Actualiza datos vida";
    EXPECT_EQ(form.txtError.text(), noSpace);
    EXPECT_EQ(form.txtMbAdquired.text(), "untouched") << "the later steps do not run";

    freeBytes = qint64(50) << 30;
    QTemporaryDir empty;
    form.txtPathGelmar.setText(empty.path());
    status.ActualizaDatosVida();
    EXPECT_TRUE(form.txtError.text().startsWith("No se encuentra ")) << form.txtError.text();
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith(noSpace + " Hora: "));
}

TEST(StatusUpdateDrive, WindowsPathsKeepTheirDriveOthersShowTheirMountPoint) {
    QTemporaryDir dir;
    QString mount = QStorageInfo(dir.path()).rootPath();
    mount += mount.endsWith('/') ? "" : "/";
    for (const auto& [folder, drive] : {std::pair<QString, QString>{"", "c:\\"},
                                        {"C:\\Archivos de programa\\Gelmar System", "C:\\"},
                                        {"/", "/"},
                                        {dir.path(), mount},
                                        {dir.filePath("not/there/yet"), mount}})
        EXPECT_EQ(StatusUpdate::driveText(folder), drive) << folder;
}

class NoDataRestartTest : public WatchdogFixture {
protected:
    NoDataRestartTest() {
        form.chkRestart.setChecked(true);
        counts.records = 0;
    }
    // The tick (from 1) at which TestData asks for a restart; 0 when none did within limit.
    int restartAt(const char* threshold, int limit) {
        form.txtMinSinData.setText(threshold);
        for (int tick = 1; tick <= limit; ++tick)
            if (!noData.TestData())
                return tick;
        return 0;
    }
    NoDataRestart noData{Views::noDataRestart(form, counts), clock, buffer};
};

TEST_F(NoDataRestartTest, CountsTicksWithoutRecordsUpToTheThresholdReadAnewCappedAt999) {
    EXPECT_EQ(restartAt("30", 40), 30);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "0");
    EXPECT_EQ(restartAt("30", 5), 0);
    EXPECT_EQ(restartAt("5", 1), 1) << "a saved threshold applies at the next tick";
    EXPECT_EQ(restartAt("tres", 1), 1) << "a threshold that is not a number reads as 0";
    EXPECT_EQ(restartAt("1000", 1100), 0);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "999");
    EXPECT_EQ(restartAt("999", 1), 1);

    for (const auto& [records, restartOn] : {std::pair{1, true}, {12, true}, {0, false}}) {
        counts.records = 0;
        form.chkRestart.setChecked(true);
        ASSERT_EQ(restartAt("1000", 17), 0);
        ASSERT_EQ(form.lblTimeWithoutData.text(), "17");
        counts.records = records;
        form.chkRestart.setChecked(restartOn);
        EXPECT_TRUE(noData.TestData()) << records;
        EXPECT_EQ(form.lblTimeWithoutData.text(), "0") << records;
    }

    noData.MandaMensajeRestart();
    EXPECT_EQ(notices(), QStringList{"AVISO|Gelmar Reiniciado por falta de datos|1"});
}
