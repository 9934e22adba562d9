#include "forwarding/AlarmScan.h"
#include "app/Views.h"
#include "core/state/DeliveryState.h"
#include "core/state/RecentCounts.h"
#include "core/state/StatusFile.h"
#include "forwarding/MessageFormat.h"
#include "supervision/SupervisionDb.h"
#include "support/FakeSender.h"
#include "support/LogCapture.h"
#include "support/ServicesTest.h"
#include "support/TestPlant.h"

const auto fail = [](const QString&) { return false; };
const auto succeed = [](const QString&) { return true; };

struct FakeSms : SmsSender {
    QStringList calls; // number + ": " + text
    std::function<bool(const QString& number)> answer = succeed;
    bool MandaMensaje(const QString& Texto, const QString& numero) override {
        calls.append(numero + ": " + Texto);
        return answer(numero);
    }
};

class AlarmScanTest : public ServicesTest {
protected:
    AlarmScanTest() : ServicesTest(QDateTime(QDate(2026, 12, 7), QTime(12, 0, 0))) {} // a Monday

    LogCapture captured;
    TestPlant plant;
    Form1State form;
    AgentSettings settings;
    StatusFlags flags;
    SupervisionDb db{SupervisionDb::Settings::fromIni(plant.ini()), [this] { return plant.gelmar; }, log,
                     dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    FakeSender sender;
    FakeSms sms;
    FakeRestarter restarter;
    DeliveryState delivery;
    RecentCounts counts;
    Forwarding::Views views = Views::forwarding(form, counts);
    LifeTestClock lifeTest{views.lifeTest, views.txtPlanta, clock, log, sender, delivery};
    Exclusions exclusions{plant.ini()};
    StatusFile status{plant.program};
    Delivery handOn{
        {views.delivery, flags.SMSOn, settings.smsAuxiliaries, clock, log, sender, delivery, &sms}};
    AlarmScan scan{{plant.program, views.scan, views.txtPlanta, flags, status, services(), db, buffer, handOn,
                    lifeTest, exclusions, &restarter}};
    UltCodFile position{plant.program, UltCodFile::Kind::Alarms, "EDAR Norte"};
    UltCodFile bufferPosition{plant.program, UltCodFile::Kind::Buffer, "EDAR Norte"};

    void SetUp() override {
        db.setRetryWindow(std::chrono::milliseconds(200));
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        buffer.setLog(&log);
        form.txtPlanta.setText("EDAR Norte");
        lifeTest.setUltimoLifeTest(clock.now()); // no life test in these cycles
        position.write(0);
    }

    void smsModeWithTheLinksDown() {
        form.chkSMSEnabled.setChecked(true);
        flags.SMSOn = true;
        form.txtRecipient.setText("+34600000001");
        sender.answer = fail;
    }
    qint64 alarm(const QString& instrument = "1", qint64 code = 10, int state = 1, qint64 secondsAgo = 60) {
        return plant.addAlarm(code, instrument, state, clock.now().addSecs(-secondsAgo));
    }
};

TEST_F(AlarmScanTest, NamesFromTheConfigurationUnknownOnesAndCodesBeyondSixtyFourBits) {
    alarm("3", 30);               // resource name with a bar
    alarm("|2|", 20);             // reference with bars
    alarm("9", 99);               // neither instrument nor resource
    alarm("planta", 10);          // not a number: sent as unknown, logged, and the alarms after it still go
    alarm("1", 11, 1, 8 * 86400); // older than 7 days: never selected
    alarm("1", 11);
    const qint64 huge = alarm("1", 10), largest = alarm("2", 20), negative = alarm("3", 30);
    const QString setCode = "UPDATE FlashAlarms SET Alarmcode = %1 WHERE Id_flashalarm = %2";
    for (const auto& [id, code] : {std::pair{huge, "99999999999999999999"},
                                   {largest, "9223372036854775807"},
                                   {negative, "-99999999999999999999"}})
        ASSERT_TRUE(sqlite(plant.acquired(), setCode.arg(code).arg(id)).isValid());
    scan.BuscaAlarmas();
    const QStringList a = sender.alarms();
    ASSERT_EQ(a.size(), 8);
    EXPECT_TRUE(a[0].contains("##30##1##Clorobajo##?##ADD##Clorador##"));
    EXPECT_TRUE(a[1].contains("##20##1##Fallo térmico##?##ADD##Bomba 2##"));
    EXPECT_TRUE(a[2].contains("##99##1##Alarma desconocida##?##ADD##Desconocido##"));
    EXPECT_TRUE(a[3].contains("##10##1##Alarma desconocida##?##ADD##Desconocido##"));
    EXPECT_EQ(a[4], MessageFormat::liveAlarm("EDAR Norte", 11, "1", "Nivel bajo", "Depósito Norte",
                                             clock.now().addSecs(-60)));
    EXPECT_TRUE(a[5].contains("##ALARM##0##1##Alarma desconocida##?##ADD##Desconocido##"));
    EXPECT_TRUE(a[6].contains("##ALARM##9223372036854775807##1##Alarma desconocida##?##ADD##Bomba 2##"));
    EXPECT_TRUE(a[7].contains("##ALARM##0##1##Alarma desconocida##?##ADD##Desconocido##"));
    EXPECT_EQ(position.read(), negative);
    EXPECT_TRUE(logLines().contains(EventLog::logBody(a[4]) + " Hora envio: 07/12/2026 12:00:00"));
    const QStringList bad = logLines().filter("con datos no válidos");
    ASSERT_EQ(bad.size(), 3);
    EXPECT_TRUE(bad[0].contains("planta"));
    EXPECT_TRUE(bad[1].startsWith(QString("Alarma %1 ").arg(huge))) << bad[1];
}

TEST_F(AlarmScanTest, ExcludedAlarmsAreSkippedWithoutMovingThePosition) {
    EscribeIni(plant.ini(), "EXCLUDE", "1", "depósito norte##*");
    EscribeIni(plant.ini(), "EXCLUDE", "2", "Bomba 2##FALLO TÉRMICO");
    alarm("1", 10);
    alarm("2", 20);
    scan.BuscaAlarmas();
    EXPECT_TRUE(sender.alarms().isEmpty());
    EXPECT_EQ(position.read(), 0) << "skipped ids do not advance the file";
    const qint64 sent = alarm("3", 30);
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 1);
    EXPECT_EQ(position.read(), sent);
}

TEST_F(AlarmScanTest, FutureDatesRestartOncePerEpisode) {
    flags.time = true;
    alarm("1", 10, 1, -600);
    alarm("1", 11, 1, -900);
    alarm("2", 20, 1, -299); // within five minutes: kept as it is
    scan.BuscaAlarmas();
    EXPECT_EQ(restarter.restarts, 1);
    EXPECT_FALSE(flags.time);
    EXPECT_EQ(LeeIni(StatusFile(plant.program).path(), "status", "time"), "0");
    EXPECT_EQ(form.lblLastDate.background(), QColor(255, 192, 192));
    const QStringList a = sender.alarms();
    ASSERT_EQ(a.size(), 4) << "three alarms and the notice, resent at the end of the same cycle";
    const QString now = MessageFormat::messageDateTime(clock.now());
    EXPECT_TRUE(a[0].endsWith("##" + now + "@@"));
    EXPECT_TRUE(a[1].endsWith("##" + now + "@@"));
    EXPECT_TRUE(a[2].endsWith("##" + MessageFormat::messageDateTime(clock.now().addSecs(299)) + "@@"));
    EXPECT_EQ(a[3], MessageFormat::bufferedMessage("EDAR Norte", "1", AlarmScan::futureNotice, "SISTEMA",
                                                   clock.now()));

    alarm("1", 10, 1, -600);
    scan.BuscaAlarmas();
    EXPECT_EQ(restarter.restarts, 1) << "the flag stays fired until the status update re-arms it";
}

TEST_F(AlarmScanTest, SmsModeAndOfficeHours) {
    smsModeWithTheLinksDown();
    settings.smsAuxiliaries = {"+34611111111", "+34622222222"};
    sms.answer = [](const QString& number) { return number != "+34622222222"; };

    const QDateTime saturdayNoon(QDate(2026, 12, 5), QTime(12, 0, 0));
    plant.addAlarm(20, "2", 1, saturdayNoon);
    const qint64 inHours = plant.addAlarm(10, "1", 0, QDateTime(QDate(2026, 12, 7), QTime(7, 0, 0)));
    scan.BuscaAlarmas();
    const QString notice =
        MessageFormat::smsNotice("EDAR Norte", "Bomba 2", "1", "Fallo térmico", saturdayNoon);
    ASSERT_EQ(sms.calls.size(), 4);
    EXPECT_EQ(sms.calls.mid(0, 3),
              QStringList({"+34600000001: " + notice, "+34611111111: " + notice, "+34622222222: " + notice}));
    EXPECT_TRUE(
        sms.calls[3].startsWith("+34600000001: EDAR Norte: Depósito Norte: Fin Nivel alto 07/12/26 07:00:00"))
        << "07:00:00 on a weekday is office hours: the main recipient only";
    EXPECT_EQ(position.read(), inHours);
    const QStringList lines = logLines();
    const QString body = EventLog::logBody(sender.alarms()[0]);
    EXPECT_TRUE(lines.contains(body + " ENVIO POR SMS A: +34600000001"));
    EXPECT_TRUE(lines.contains(body + " ENVIO (AUXILIAR) POR SMS A: +34611111111COMPLETADO"));
    EXPECT_TRUE(lines.contains(body + " ENVIO (AUXILIAR) POR SMS A: +34622222222FALLIDO"));
    EXPECT_FALSE(delivery.failurePending()) << "not changed on the SMS path";

    // The main recipient's SMS fails: no auxiliary is tried, the position stays, the cycle ends.
    sms.calls.clear();
    sms.answer = fail;
    plant.addAlarm(20, "2", 1, saturdayNoon);
    plant.addAlarm(20, "2", 1, saturdayNoon);
    scan.BuscaAlarmas();
    EXPECT_EQ(sms.calls.size(), 1);
    EXPECT_EQ(position.read(), inHours);
    sms.answer = succeed;
    buffer.PonEnBuffer("SISTEMA", "Modo SMS Activado", "1", saturdayNoon);
    sms.calls.clear();
    scan.BuscaAlarmas();
    ASSERT_EQ(sms.calls.size(), 7) << "two alarms to three numbers, the buffered notice to the main one only";
    EXPECT_EQ(sms.calls.last(),
              "+34600000001: " + MessageFormat::smsNotice("EDAR Norte", "SISTEMA", "1", "Modo SMS Activado",
                                                          saturdayNoon, MessageFormat::SmsKind::Buffered));
}

TEST_F(AlarmScanTest, WithFastFailoverInSmsModeTheLinksAreTriedOnceACycle) {
    smsModeWithTheLinksDown();
    // Messages tried on the links, and SMS sent, in one cycle.
    const auto cycle = [&] {
        sender.sent.clear();
        sms.calls.clear();
        scan.BuscaAlarmas();
        return std::pair{sender.alarms().size(), sms.calls.size()};
    };
    using Tried = std::pair<qsizetype, qsizetype>;
    for (int i = 0; i < 5; ++i)
        alarm();
    EXPECT_EQ(cycle(), Tried(5, 5)) << "by default each alarm waits out the links first";
    handOn.setFastFailover(true);
    for (int i = 0; i < 5; ++i)
        alarm();
    EXPECT_EQ(cycle(), Tried(1, 5));
    sender.answer = succeed;
    alarm();
    const qint64 last = alarm();
    EXPECT_EQ(cycle(), Tried(2, 0)) << "the next cycle tries the links first again";
    EXPECT_EQ(position.read(), last);
}

TEST_F(AlarmScanTest, BufferResendInIdOrderWithinSevenDaysEachOnce) {
    buffer.PonEnBuffer("SISTEMA", "Vieja", "1", clock.now().addDays(-8));
    buffer.PonEnBuffer("AVISO", "Gelmar Reiniciado por falta de datos", "1", clock.now().addSecs(-120));
    buffer.PonEnBuffer("SISTEMA", "Modo SMS Activado", "0", clock.now().addSecs(-60));
    buffer.PonEnBuffer("SISTEMA", "Rara", "quizás", clock.now().addSecs(-30));
    sender.answer = [this](const QString&) { return sender.sent.size() != 2; };
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.sent.size(), 2);
    EXPECT_EQ(sender.sent[0],
              MessageFormat::bufferedMessage("EDAR Norte", "1", "Gelmar Reiniciado por falta de datos",
                                             "AVISO", clock.now().addSecs(-120)));
    EXPECT_EQ(bufferPosition.read(), 2);

    sender.answer = succeed;
    sender.sent.clear();
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.sent.size(), 2);
    EXPECT_TRUE(sender.sent[0].contains("##ALARM##0##0##Modo SMS Activado##"));
    EXPECT_TRUE(sender.sent[1].contains("##ALARM##0##1##Rara##"))
        << "a bad begin/end does not block the buffer";
    EXPECT_EQ(bufferPosition.read(), 4);

    sender.sent.clear();
    scan.BuscaAlarmas();
    EXPECT_TRUE(sender.sent.isEmpty()) << "each notice only once";

    // Without the position file every notice of the last 7 days goes again; SISTEMA "*" silences them.
    QFile::remove(bufferPosition.path());
    EscribeIni(plant.ini(), "EXCLUDE", "1", "SISTEMA##*");
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.sent.size(), 1);
    EXPECT_TRUE(sender.sent[0].contains("AVISO"));
}

TEST_F(AlarmScanTest, PagesKeepTheOrderAFailureStopsTheCycleAndANewAlarmWaitsForTheNextOne) {
    QFile::remove(position.path());
    scan.setPageSize(2);
    EscribeIni(plant.ini(), "EXCLUDE", "1", "Bomba 2##*");
    QList<qint64> ids;
    for (const char* instrument : {"1", "2", "2", "3", "4", "1", "3"})
        ids.append(alarm(instrument, QByteArray(instrument).toInt() * 10));
    alarm("1", 11, 1, 8 * 86400); // older than 7 days, between pages: never selected
    const qint64 last = alarm("4", 40);
    scan.BuscaAlarmas();
    EXPECT_EQ(position.read(), last) << "a first start takes the newest of every page";
    EXPECT_TRUE(sender.alarms().isEmpty());

    position.write(0);
    sender.answer = [&](const QString&) { return sender.alarms().size() != 4; };
    scan.BuscaAlarmas();
    const auto codes = [&] {
        QStringList c;
        for (const QString& a : sender.alarms())
            c << a.section("##", 2, 2);
        sender.sent.clear();
        return c;
    };
    EXPECT_EQ(codes(), QStringList({"10", "30", "40", "10"})) << "the excluded ones across pages are skipped";
    EXPECT_EQ(position.read(), ids[4]) << "the position stops before the failed alarm";
    EXPECT_EQ(delivery.failingSince(), clock.now());

    // From the failed one on; an alarm recorded during the cycle waits for the next.
    qint64 recordedMeanwhile = 0;
    sender.answer = [&](const QString&) {
        if (!recordedMeanwhile)
            recordedMeanwhile = alarm("2", 20, 1, 0);
        return true;
    };
    scan.BuscaAlarmas();
    EXPECT_EQ(codes(), QStringList({"10", "30", "40"}));
    EXPECT_EQ(position.read(), last);
    EXPECT_FALSE(delivery.failurePending());
    EscribeIni(plant.ini(), "EXCLUDE", "1", "");
    scan.BuscaAlarmas();
    EXPECT_EQ(codes(), QStringList({"20"}));
    EXPECT_EQ(position.read(), recordedMeanwhile);

    // The buffer resend goes page by page as well.
    for (int i = 0; i < 5; ++i)
        buffer.PonEnBuffer("AVISO", QStringLiteral("Aviso %1").arg(i), "1", clock.now().addSecs(i - 10));
    sender.sent.clear();
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.sent.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(sender.sent[i].contains(QStringLiteral("##Aviso %1##").arg(i))) << i;
    EXPECT_EQ(bufferPosition.read(), 5);
}

TEST_F(AlarmScanTest, ALostConnectionOrADatabaseFileReplacedUnderTheAgentIsOpenedAgain) {
    const qint64 id = alarm();
    db.close();
    scan.BuscaAlarmas();
    EXPECT_TRUE(sender.alarms().isEmpty());
    EXPECT_TRUE(db.isOpen(SupervisionDb::Which::Acquired));
    EXPECT_TRUE(db.isOpen(SupervisionDb::Which::Config));
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.alarms().size(), 1);
    EXPECT_EQ(position.read(), id);

    // The supervision system's database restored from a copy that holds a newer alarm.
    QTemporaryDir staging;
    ASSERT_TRUE(plant.copyAcquired(staging.path()));
    QString error;
    const qint64 newer = GelmarInstall::addAlarm(staging.path(), 20, "2", 1, clock.now().addSecs(-5), &error);
    ASSERT_GT(newer, 0) << error;
    ASSERT_TRUE(plant.replaceAcquired(staging.path()));

    for (int tick = 0; tick < 2 && sender.alarms().size() < 2; ++tick)
        scan.BuscaAlarmas();
    ASSERT_EQ(sender.alarms().size(), 2) << "the new file is read";
    EXPECT_TRUE(sender.alarms()[1].contains("##20##1##Fallo térmico##"));
    EXPECT_EQ(position.read(), newer);
}

TEST_F(AlarmScanTest, AnErrorThatEndsACycleIsShownLoggedOnceAndAgainWhenItClears) {
    const qint64 first = alarm();
    // A position file that holds no number: nothing is forwarded until it is mended, and it is not a
    // first start, which would skip the alarm.
    writeFile(position.path(), "\r\n");
    for (int tick = 0; tick < 3; ++tick)
        scan.BuscaAlarmas();
    EXPECT_TRUE(sender.sent.isEmpty());
    const QString why = UltCodFile::noNumberText(position.path());
    EXPECT_EQ(form.txtError.text(), why);
    EXPECT_EQ(logLines().filter(why).size(), 1) << "once per distinct error, not once per tick";
    EXPECT_EQ(captured.of("vornnet.scan").filter(why).size(), 3) << "a diagnostic line each time";

    writeFile(position.path(), " 0\r\n");
    scan.BuscaAlarmas();
    EXPECT_EQ(position.read(), first);
    EXPECT_EQ(form.txtError.text(), QString());
    const QStringList cleared = logLines().filter("resuelto");
    ASSERT_EQ(cleared.size(), 1) << logLines().join('\n');
    EXPECT_TRUE(cleared[0].contains(why));
    EXPECT_EQ(captured.of("vornnet.scan").filter("resuelto").size(), 1);
}

TEST_F(AlarmScanTest, ALogThatCanNotBeWrittenHoldsNoAlarmAndIsToldOnceAndCounted) {
    QList<qint64> ids;
    for (int i = 0; i < 50; ++i)
        ids << alarm();
    const QString notAFolder = QDir(plant.program).filePath("not-a-folder");
    writeFile(notAFolder, ""); // a log folder nobody can write in, root included
    log.setFolder(notAFolder);
    sender.answer = [&](const QString&) { return sender.alarms().size() != 50; };
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 50) << "every alarm goes on, not one per tick";
    EXPECT_EQ(position.read(), ids[48]) << "the position still moves only after the echo";
    EXPECT_EQ(log.unwrittenLines(), 49);
    EXPECT_TRUE(form.txtError.text().contains("not-a-folder")) << form.txtError.text();
    EXPECT_TRUE(form.txtError.text().contains("49 líneas sin escribir"));
    sender.answer = succeed;
    scan.BuscaAlarmas();
    EXPECT_EQ(position.read(), ids.last());
    const QStringList told = captured.of("vornnet.log");
    ASSERT_EQ(told.size(), 1) << "once per distinct error: " << told.join('\n');
    EXPECT_TRUE(told[0].startsWith(log.failure()));

    log.setFolder(dir.path());
    alarm();
    scan.BuscaAlarmas();
    EXPECT_EQ(log.failure(), QString());
    EXPECT_EQ(form.txtError.text(), QString());
    EXPECT_EQ(captured.of("vornnet.log").size(), 2) << "and when a line goes again";
    EXPECT_EQ(log.unwrittenLines(), 50) << "the count is of the whole run";
}

TEST_F(AlarmScanTest, ABufferPositionWithoutANumberHoldsOnlyTheBuffer) {
    buffer.PonEnBuffer("SISTEMA", "Modo SMS Activado", "1", clock.now().addSecs(-30));
    writeFile(bufferPosition.path(), "\xEF\xBB\xBF");
    const qint64 id = alarm();
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 1) << "live alarms still go";
    EXPECT_EQ(position.read(), id);
    EXPECT_EQ(sender.sent.size(), 1) << "the buffer waits until its position is mended";
    EXPECT_EQ(form.txtError.text(), UltCodFile::noNumberText(bufferPosition.path()));
    writeFile(bufferPosition.path(), " 0\r\n");
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.sent.size(), 2);
}

TEST_F(AlarmScanTest, AManualRunDuringADeliveryIsIgnored) {
    alarm();
    alarm();
    int nested = 0;
    sender.answer = [&](const QString&) {
        ++nested;
        scan.BuscaAlarmas(); // as if Image1 were clicked while the link waits
        return true;
    };
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 2);
    EXPECT_EQ(nested, 2);
}

TEST_F(AlarmScanTest, StartupCheckCatchesAReplacedDatabaseOrAPositionFileWithoutANumber) {
    QFile::remove(position.path());
    const qint64 newest = alarm();
    writeFile(QDir(plant.program).filePath("vornnetultcod.ini"), " " + QByteArray::number(newest) + "\r\n");
    EXPECT_TRUE(scan.startupCheck());
    EXPECT_EQ(position.read(), newest) << "the old-style file moved to the plant's name";
    EXPECT_TRUE(dialogs.shown.isEmpty());

    position.write(newest + 100);
    EXPECT_FALSE(scan.startupCheck());
    dialogs.expectBox(
        Dialogs::Icon::Critical, Dialogs::defaultTitle,
        "Atención posible problema de sustitución de base de datos sin anular el fichero 'ultcod' de "
        "control\nElimine el fichero:\\VornNetUltCod_EDAR Norte.ini para que se vuelva a inicializar.");

    for (const UltCodFile* file : {&position, &bufferPosition}) {
        for (const QByteArray& bad : {QByteArray(""), QByteArray("\xEF\xBB\xBF\r\n"), QByteArray("x1")}) {
            position.write(0);
            bufferPosition.write(0);
            writeFile(file->path(), bad);
            EXPECT_FALSE(scan.startupCheck()) << file->path() << " " << bad.toHex();
            dialogs.expectBox(
                Dialogs::Icon::Critical, Dialogs::errorTitle,
                UltCodFile::noNumberText(file->path()) +
                    ".\nEscriba en él el id del último enviado, o elimínelo para que se vuelva a "
                    "inicializar.");
            EXPECT_EQ(QFile(file->path()).size(), bad.size()) << "the file is left for the user to mend";
        }
    }
}

// What the table holds at the first look: nothing, or only alarms older than the window (no position is
// written for those), or one within it (the position file takes it); looked at by the scan or the start-up
// check.
class FirstStartTest : public AlarmScanTest, public testing::WithParamInterface<std::tuple<bool, qint64>> {};

TEST_P(FirstStartTest, OnlyTheAlarmsPresentAtTheFirstLookArePassedOver) {
    const auto [viaStartupCheck, present] = GetParam();
    QFile::remove(position.path());
    const qint64 old = present < 0 ? 0 : alarm("1", 10, 1, present);
    if (viaStartupCheck)
        ASSERT_TRUE(scan.startupCheck());
    else
        scan.BuscaAlarmas();
    EXPECT_EQ(position.exists(), present == 60 && !viaStartupCheck) << "the file rule is kept";

    const qint64 recorded = alarm("2", 20, 1, 0);
    scan.BuscaAlarmas();
    ASSERT_EQ(sender.alarms().size(), 1) << "the alarm recorded after the first look goes";
    EXPECT_TRUE(sender.alarms().first().contains("##20##")) << "not the old one " << old;
    EXPECT_EQ(position.read(), recorded);
}

INSTANTIATE_TEST_SUITE_P(AlarmScan, FirstStartTest,
                         testing::Combine(testing::Bool(), testing::Values(qint64(-1), 8 * 86400LL, 60LL)));

TEST_F(AlarmScanTest, AlarmsPassedOverByTheWindowAreToldOnceWithTheirIds) {
    const qint64 a = alarm("1", 10, 1, 9 * 86400);
    const qint64 b = alarm("1", 10, 1, 8 * 86400);
    alarm();
    const qint64 d = alarm("1", 10, 1, 10 * 86400);
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 1);
    const QString told =
        QStringLiteral("Alarmas no enviadas por ser anteriores a 7 días: 3 (%1-%2, %3)").arg(a).arg(b).arg(d);
    EXPECT_EQ(form.txtError.text(), told);
    EXPECT_EQ(captured.of("vornnet.scan"), QStringList{told});
    EXPECT_EQ(logLines().filter("no enviadas").size(), 1);

    // Told once: the next cycles say nothing more of them, and the field clears.
    alarm();
    scan.BuscaAlarmas();
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 2);
    EXPECT_EQ(form.txtError.text(), QString());
    EXPECT_EQ(captured.of("vornnet.scan").size(), 1);
    EXPECT_EQ(logLines().filter("no enviadas").size(), 1);
}

TEST_F(AlarmScanTest, NoticesTheBufferCanNotTakeAreHeldAndStoredInOrder) {
    const QString file = buffer.path();
    ASSERT_TRUE(QFile::rename(file, file + ".away"));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "primero", "1", clock.now()));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "segundo", "0", clock.now()));
    EXPECT_EQ(buffer.heldCount(), 2);
    EXPECT_EQ(dialogs.shown.size(), 1) << "one box for the series and its cause, not one per notice";
    EXPECT_EQ(logLines().filter("retenido").size(), 2);
    EXPECT_FALSE(buffer.storeHeld());

    ASSERT_TRUE(QFile::rename(file + ".away", file));
    EXPECT_TRUE(buffer.PonEnBuffer("SISTEMA", "tercero", "1", clock.now()));
    EXPECT_EQ(noticesOf(buffer, clock.now()),
              (QStringList{"SISTEMA|primero|1", "SISTEMA|segundo|0", "SISTEMA|tercero|1"}));
    EXPECT_EQ(buffer.heldCount(), 0);
    EXPECT_EQ(logLines().filter("guardado en el buffer tras").size(), 2);
}

TEST_F(AlarmScanTest, PagesAreReadOnlyWhenTheOneBeforeIsUsedUp) {
    const QDateTime cutoff = clock.now().addDays(-7);
    {
        AlarmPages empty(db, 0, cutoff, 2);
        EXPECT_EQ(empty.next(), std::nullopt) << "an empty table";
        EXPECT_EQ(empty.pagesRead(), 0);
    }
    QList<qint64> ids;
    for (int i = 0; i < 5; ++i)
        ids.append(plant.addAlarm(10, "1", 1, clock.now().addSecs(i - 60)));

    AlarmPages pages(db, ids[0], cutoff, 2);
    EXPECT_EQ(pages.pagesRead(), 1);
    QList<qint64> read;
    for (int i = 0; i < 2; ++i)
        read.append(pages.next()->value("Id_flashalarm").toLongLong());
    EXPECT_EQ(pages.pagesRead(), 1) << "a scan that stops here has read one page";
    plant.addAlarm(10, "1", 1, clock.now()); // newer than the cycle: not read
    while (const auto row = pages.next())
        read.append(row->value("Id_flashalarm").toLongLong());
    EXPECT_EQ(read, ids.mid(1));
    EXPECT_EQ(pages.pagesRead(), 2);
}
