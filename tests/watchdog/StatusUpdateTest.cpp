#include "WatchdogFixture.h"
#include "forwarding/AlarmScan.h"

#include <QStorageInfo>
#include <QTemporaryDir>

namespace {

const QString sistema = "SISTEMA|";

class StatusUpdateTest : public WatchdogFixture {
protected:
    StatusUpdateTest() {
        // No network server in the scope: acquisition is left out unless a case turns it on.
        chkAdquisicion = false;
    }
};

} // namespace

TEST_F(StatusUpdateTest, RunsAtTheFirstTickOfEachFifthMinuteOnly) {
    const struct {
        QTime at;
        bool runs;
    } ticks[] = {{QTime(12, 3, 0), false}, {QTime(12, 5, 0), true},   {QTime(12, 5, 40), false},
                 {QTime(12, 7, 0), false}, {QTime(12, 10, 20), true}, {QTime(13, 10, 0), true}};
    for (const auto& t : ticks) {
        form.lblFechaActualizado.setText("");
        form.status.setText("");
        clock.set(QDateTime(QDate(2026, 12, 6), t.at));
        status.PreActualizaDatosVida();
        EXPECT_EQ(!form.lblFechaActualizado.text().isEmpty(), t.runs) << t.at.toString().toStdString();
        EXPECT_EQ(form.status.text(), "Desconectado") << "the link's state on every tick";
    }
}

TEST_F(StatusUpdateTest, FillsTheWindowFromTheDatabaseTheDiskAndTheClock) {
    settings.ControlFechasFuturas = true;
    form.chkAlarms.setChecked(true);
    addHistory(clock.now().addSecs(-30 * 60)); // outside the 0.33 hour
    addHistory(clock.now().addSecs(-19 * 60));
    addHistory(clock.now().addSecs(-60));
    plant.addAlarm(10, "1", 1, clock.now().addSecs(-61 * 60));
    freeBytes = (qint64(123) << 30) + (qint64(1) << 29); // 123.5 Gb
    timerArmed = true;

    status.ActualizaDatosVida();
    EXPECT_EQ(form.txtError.text(), "");
    EXPECT_EQ(form.lblNumVidas.text(), "2");
    EXPECT_EQ(form.lblNumVidas.background(), QColor(255, 255, 255));
    EXPECT_EQ(form.lblAlmVidas.text(), "0");
    EXPECT_EQ(form.lblAlmVidas.background(), QColor(255, 192, 192));
    EXPECT_EQ(form.lblLastDate.text(), "06/12/2026 11:59:00");
    EXPECT_EQ(form.txtFreeSpace.text(), "123,50") << "the regional decimal separator";
    EXPECT_EQ(form.txtMbAdquired.text(), "0");
    EXPECT_EQ(form.txtCicloActivo.text(), "Verdadero");
    EXPECT_EQ(form.lblFechaActualizado.text(), "06/12/2026 12:00");
    EXPECT_EQ(form.lblTiempoHist.text(), "0");
    EXPECT_EQ(form.circuloEstado.background(), QColor(255, 0, 0)) << "no alarm in the last hour";
    EXPECT_TRUE(notices().isEmpty());

    // Hidden alarm fields leave the overall light to records, acquisition and size; the count is kept.
    form.chkAlarms.setChecked(false);
    form.lblAlmVidas.setVisible(false);
    plant.addAlarm(10, "1", 1, clock.now().addSecs(-60));
    chkAdquisicion = true;
    IniFile::write(QDir(plant.gelmar).filePath("GS.INI"), "STATUS", "acquisition", "1");
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblAlmVidas.text(), "0");
    EXPECT_EQ(form.lblEstadoAdquisicion.text(), "Detenido") << "no network server runs in the scope";
    EXPECT_EQ(form.circuloEstado.background(), QColor(255, 0, 0));
}

TEST_F(StatusUpdateTest, RecordExactlyFiveMinutesAheadIsNotInTheFutureOneSecondMoreRestartsOnce) {
    settings.ControlFechasFuturas = true;
    const QString future = sistema + AlarmScan::futureNotice;
    addHistory(clock.now().addSecs(5 * 60));
    status.ActualizaDatosVida();
    EXPECT_EQ(restarter.restarts, 0);
    EXPECT_EQ(form.lblLastDate.background(), QColor(255, 255, 255));

    addHistory(clock.now().addSecs(5 * 60 + 1));
    for (int update = 0; update < 3; ++update)
        status.ActualizaDatosVida();
    EXPECT_EQ(restarter.restarts, 1) << "once per episode";
    EXPECT_EQ(form.lblLastDate.background(), QColor(255, 192, 192));
    EXPECT_EQ(statusIni("Time"), "0");
    EXPECT_EQ(notices(), QStringList{future + "|1"});

    // The newest record is the one that counts, not the latest date.
    addHistory(clock.now());
    status.ActualizaDatosVida();
    EXPECT_EQ(notices(), (QStringList{future + "|1", future + "|0"}));
    EXPECT_EQ(statusIni("Time"), "1");

    // With the check off the episode the alarm scan opened is closed by the next update.
    settings.ControlFechasFuturas = false;
    settings.time = "0";
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblLastDate.text(), "--");
    EXPECT_EQ(notices().size(), 3);
    EXPECT_EQ(restarter.restarts, 1);
}

TEST_F(StatusUpdateTest, FreeSpaceEqualToTheLimitIsNormal) {
    settings.minFree = 5;
    const QString low = sistema + StatusUpdate::freeSizeNotice;
    const struct {
        qint64 bytes;
        const char* shown;
        QStringList notices;
    } steps[] = {
        {qint64(5) << 30, "5,00", {}},
        {(qint64(5) << 30) - (qint64(1) << 24), "4,98", {low + "|1"}},             // 4.984 Gb
        {(qint64(5) << 30) - (qint64(1) << 20), "5,00", {low + "|1", low + "|0"}}, // 4.999 shows 5.00
    };
    for (const auto& s : steps) {
        freeBytes = s.bytes;
        status.ActualizaDatosVida();
        EXPECT_EQ(form.txtFreeSpace.text(), s.shown);
        EXPECT_EQ(notices(), s.notices) << s.shown;
    }
}

TEST_F(StatusUpdateTest, DatabaseSizeEqualToMaxDbIsNormal) {
    // The size is read from the installation folder's file, whatever the connection holds.
    QTemporaryDir other;
    form.txtPathGelmar.setText(other.path());
    QDir().mkpath(other.filePath("database"));
    QFile file(other.filePath("database/_AcquiredDB_x.mdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    settings.MaxDb = 1000;
    const QString big = sistema + StatusUpdate::dbSizeNotice;
    const struct {
        qint64 bytes;
        const char* shown;
        QStringList notices;
    } steps[] = {
        {qint64(1000) << 20, "1000", {}},
        {(qint64(1000) << 20) + (qint64(1) << 19), "1001", {big + "|1"}}, // 1000.5 rounds up
        {(qint64(1000) << 20) + (qint64(1) << 19) - 1, "1000", {big + "|1", big + "|0"}},
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(file.resize(s.bytes)); // sparse
        status.ActualizaDatosVida();
        EXPECT_EQ(form.txtMbAdquired.text(), s.shown);
        EXPECT_EQ(notices(), s.notices) << s.shown;
    }
    EXPECT_EQ(statusIni("DbSize"), "1");
}

TEST_F(StatusUpdateTest, ModemFaultIsNcOrNmAndAFlagStillOpenAtStartIsNotToldAgain) {
    const QString modem = sistema + StatusUpdate::modemNotice;
    // As start-up leaves it after a run that ended with the modem lost.
    settings.ModemOK = "0";
    const struct {
        const char* signal;
        QStringList notices;
    } steps[] = {
        {"NM", {}},
        {"NC", {}},
        {"--", {modem + "|0"}},
        {"17", {modem + "|0"}},
        {"NC", {modem + "|0", modem + "|1"}},
    };
    for (const auto& s : steps) {
        form.lblSignal.setText(s.signal);
        status.ActualizaDatosVida();
        EXPECT_EQ(notices(), s.notices) << s.signal;
    }
    EXPECT_EQ(IniFile::read(QDir(plant.program).filePath("status.ini"), "Status", "ModemOK"), "0");
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
    EXPECT_TRUE(form.txtError.text().startsWith("No se encuentra ")) << form.txtError.text().toStdString();
    EXPECT_EQ(form.txtFreeSpace.text(), "50,00");

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith(noSpace + " Hora: "));
}

TEST(StatusUpdateDrive, WindowsPathsKeepTheirDriveOthersShowTheirMountPoint) {
    QTemporaryDir dir;
    const QString mount = QStorageInfo(dir.path()).rootPath();
    const struct {
        QString folder;
        QString drive;
    } cases[] = {
        {"", "c:\\"},
        {"C:\\Archivos de programa\\Brenvik\\Gelmar System", "C:\\"},
        {"d:/gelmar", "d:/"},
        {"/", "/"},
        {dir.path(), mount.endsWith('/') ? mount : mount + "/"},
        {dir.filePath("not/there/yet"), mount.endsWith('/') ? mount : mount + "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusUpdate::driveText(c.folder), c.drive) << c.folder.toStdString();
}
