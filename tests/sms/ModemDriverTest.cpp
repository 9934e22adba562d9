// The modem driver on a real serial port, against the modem stand-in on its pseudo-terminal.
#include "sms/ModemDriver.h"
#include "ModemFields.h"
#include "ModemSimProcess.h"
#include "support/ServicesTest.h"

class ModemDriverTest : public ServicesTest {
protected:
    QString record = dir.filePath("record");
    ModemFields form;
    ModemDriver driver{form.view(), clock, log, dir.path()};
    ModemSimProcess modem;

    void SetUp() override {
        driver.setWaits({200ms, 300ms, 10ms});
        ASSERT_TRUE(modem.start({"--record", record, "--signal", "23"}));
        form.txtComPort.setText(modem.path());
    }
    QByteArray modemLog() const { return readFile(QDir(dir.path()).filePath("modem-dic-26.log")); }
};

TEST_F(ModemDriverTest, SendsThePreparedTextAndReadsTheSignal) {
    // The stand-in starts in PDU format, as a modem after a reset: the driver selects text format itself.
    EXPECT_TRUE(driver.MandaMensaje("Sala ñ Fecha: 12/03", "+34600111222"));
    EXPECT_TRUE(driver.MandaMensaje("EDAR|Norte: " + QString(200, 'x'), "600111222"));
    // A name holding Ctrl-Z and ESC would end or cancel the message at the modem: it arrives whole.
    EXPECT_TRUE(driver.MandaMensaje("Bomba\x1a 2\x1b: Inicio Nivel alto", "600111222"));
    EXPECT_EQ(readFile(record), "+34600111222\tSala n\n600111222\tEDAR*Norte: " + QByteArray(155 - 12, 'x') +
                                    "\n600111222\tBomba  2 : Inicio Nivel alto\n");
    EXPECT_EQ(form.lblErrorSMS.text(), "-");
    EXPECT_FALSE(driver.busy());
    EXPECT_EQ(form.lblSignal.foreground(), QColor(0, 0, 0));

    const struct {
        const char* mode;
        QString text;
        int bar;
    } signal[] = {{"normal", "23", 23}, {"nocoverage", "NC", 0}, {"error:csq", "NM", 0}, {"silent", "NM", 0}};
    for (const auto& s : signal) {
        ASSERT_TRUE(modem.setMode(s.mode));
        driver.SMSQuality();
        EXPECT_EQ(form.lblSignal.text(), s.text) << s.mode;
        EXPECT_EQ(form.ProgressBar1.value(), s.bar) << s.mode;
    }
    // SMSQuality left the port open; the next dialogue opens it again.
    ASSERT_TRUE(modem.setMode("normal"));
    EXPECT_TRUE(driver.MandaMensaje("Otra", "600111222"));
    EXPECT_TRUE(modemLog().isEmpty());
}

TEST_F(ModemDriverTest, AStepAnsweredErrorIsNotSentAndIsLoggedWithItsStep) {
    const struct {
        const char* mode;
        QByteArray step;
    } rows[] = {{"error:cmgf", "4  CommandString: AT+CMGF=1\r"},
                {"error:4", "4  CommandString: AT+CBST=7,0,1\r"},
                {"error:6", "6  CommandString: AT\r"},
                {"error:8", "8  CommandString: AT+CMGS= \"+34600111222\"\r"},
                {"error:9", "9  CommandString: Alarma en CAMI*N\x1a\r"}};
    QByteArray expected;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.mode);
        ASSERT_TRUE(modem.setMode(r.mode));
        form.lblErrorSMS.setText("-");
        EXPECT_FALSE(driver.MandaMensaje("Alarma en CAMIÓN", "+34600111222"));
        EXPECT_EQ(form.lblErrorSMS.text(), ModemDriver::errorAnswer);
        expected += "Date: 06/12/2026 12:00:00 Respuesta del modem:\r\nERROR\r\n\r\nCommand:" + r.step +
                    "\r\nString:Alarma en CAMI*N\r\n";
    }
    EXPECT_EQ(modemLog(), expected);
    EXPECT_TRUE(readFile(record).isEmpty());
}

TEST_F(ModemDriverTest, AModemHangingAtThePromptIsLetOutWithEscBeforeItsReset) {
    ASSERT_TRUE(modem.setMode("hang"));
    EXPECT_FALSE(driver.MandaMensaje("Texto", "600111222"));
    // Without ESC the modem would take AT&F as message text and the reset would fail.
    EXPECT_EQ(form.lblErrorSMS.text(), "-");
    ASSERT_TRUE(modem.setMode("normal"));
    EXPECT_TRUE(driver.MandaMensaje("Texto", "600111222"));
    EXPECT_EQ(readFile(record), "600111222\tTexto\n") << "the hung message was never sent";
}

TEST_F(ModemDriverTest, ASilentModemTimesOutAndTheBusyMarkTurnsASecondOperationAwayAndIsAlwaysCleared) {
    ASSERT_TRUE(modem.setMode("silent"));
    bool inner = true;
    QString signalMeanwhile;
    QColor colourMeanwhile;
    QTimer::singleShot(50ms, [&] {
        colourMeanwhile = form.lblSignal.foreground();
        driver.SMSQuality();
        signalMeanwhile = form.lblSignal.text();
        inner = driver.MandaMensaje("Otro", "600111222");
    });
    EXPECT_FALSE(driver.MandaMensaje("Texto", "600111222"));
    EXPECT_EQ(form.lblErrorSMS.text(), ModemDriver::resetError) << "its reset failed as well";
    EXPECT_TRUE(modemLog().isEmpty());
    EXPECT_EQ(colourMeanwhile, QColor(255, 0, 0));
    EXPECT_EQ(signalMeanwhile, "--") << "the signal was not read during the dialogue";
    EXPECT_FALSE(inner);
    EXPECT_FALSE(driver.busy());

    // Every early way out clears it too: a later operation runs.
    ASSERT_TRUE(modem.setMode("normal"));
    for (const auto& [text, number] : {std::pair<QString, QString>{"Texto", "60011122"}, {"", "600111222"}}) {
        form.lblSignal.setText("--");
        EXPECT_FALSE(driver.MandaMensaje(text, number));
        EXPECT_EQ(form.lblErrorSMS.text(), ModemDriver::lengthError);
        driver.SMSQuality();
        EXPECT_EQ(form.lblSignal.text(), "23");
    }
    EXPECT_TRUE(readFile(record).isEmpty());
}

TEST_F(ModemDriverTest, NoModemAndAPortThatCanNotBeOpenedAreReportedOncePerChange) {
    form.txtComPort.setText("0");
    EXPECT_FALSE(driver.MandaMensaje("Texto", "600111222")) << "nothing sent counts as not sent";
    driver.SMSQuality();
    EXPECT_EQ(form.lblSignal.text(), "NM");
    EXPECT_EQ(form.lblErrorSMS.text(), "Sin modem: Puerto Serie 0");

    const QString missing = dir.filePath("ttyMissing");
    form.txtComPort.setText(missing);
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_FALSE(driver.MandaMensaje("Texto", "600111222"));
        driver.SMSQuality();
    }
    EXPECT_TRUE(form.lblErrorSMS.text().startsWith("Error abriendo el puerto serie " + missing + ": "))
        << form.lblErrorSMS.text();

    form.txtComPort.setText(modem.path());
    EXPECT_TRUE(driver.MandaMensaje("Texto", "600111222"));
    form.txtComPort.setText(missing);
    EXPECT_FALSE(driver.MandaMensaje("Texto", "600111222"));

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3) << lines.join('\n');
    EXPECT_EQ(lines[0], "Sin modem: Puerto Serie 0 Hora: 06/12/2026 12:00:00");
    EXPECT_TRUE(lines[1].startsWith("Error abriendo el puerto serie " + missing));
    EXPECT_EQ(lines[2], lines[1]) << "reported again once the port had worked in between";
}
