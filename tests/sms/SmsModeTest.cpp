// SMS mode: when it begins and ends, what it leaves in the window, status.ini and the buffer, the
// restart in SMS mode, and the window's SMS actions.
#include "ModemSimProcess.h"
#include "app/Views.h"
#include "core/state/DeliveryState.h"
#include "core/state/StatusFile.h"
#include "sms/Sms.h"
#include "support/ServicesTest.h"

class SmsModeTest : public ServicesTest {
protected:
    Form1State form;
    StatusFlags flags;
    BufferDb buffer{BufferDb::pathIn(dir.path()), dialogs};
    DeliveryState delivery;
    StatusFile status{dir.path()};
    Sms sms{{dir.path(), Views::sms(form), flags.SMSOn, status, services(), buffer, delivery}};
    QDateTime failedAt = clock.now();

    void SetUp() override {
        QString error;
        ASSERT_TRUE(BufferDb::create(buffer.path(), &error)) << error;
        buffer.open();
        sms.driver().setWaits({200ms, 300ms, 10ms});
        form.chkSMSEnabled.setChecked(true);
        form.txtMaxNoNet.setText("30");
        delivery.failed(clock);
    }
    // What a pass leaves in sight: the minutes without a link and their colour, the SMS mode label, the flag.
    QStringList seen() const {
        return {form.lblMinMal.text(), form.lblMinMal.background().name(),
                form.lblModoSMS.visible() ? "SMS" : "-", flags.SMSOn ? "on" : "off"};
    }
    QString smson() const { return LeeIni(StatusFile(dir.path()).path(), "status", "SMSON"); }
    // The system alarms of the transitions.
    QStringList notices() { return noticesOf(buffer, clock.now()); }
    void passAt(qint64 secondsAfterFailure) {
        clock.set(failedAt.addSecs(secondsAfterFailure));
        sms.CheckSMS();
    }
};

TEST_F(SmsModeTest, BeginsAtTheConfiguredMinutesAndEndsAtThePassAfterADelivery) {
    passAt(29 * 60 + 30);
    EXPECT_EQ(seen(), (QStringList{"29", "#ffc0c0", "-", "off"}));
    EXPECT_TRUE(notices().isEmpty());
    EXPECT_EQ(form.lblSignal.text(), "NM") << "the signal is read on every pass (no modem here)";

    passAt(30 * 60);
    EXPECT_EQ(seen(), (QStringList{"30", "#ffc0c0", "SMS", "on"}));
    EXPECT_EQ(smson(), "1");
    passAt(45 * 60);
    EXPECT_EQ(notices(), QStringList{"SISTEMA|Modo SMS Activado|1"}) << "one notice per transition";

    // Unticked, SMS mode stays as it is even after a delivery.
    delivery.delivered();
    form.chkSMSEnabled.setChecked(false);
    passAt(46 * 60);
    EXPECT_TRUE(form.lblModoSMS.visible());
    EXPECT_EQ(smson(), "1");

    form.chkSMSEnabled.setChecked(true);
    passAt(47 * 60);
    EXPECT_EQ(seen(), (QStringList{"", "#ffffff", "-", "off"}));
    EXPECT_EQ(smson(), "0");
    EXPECT_EQ(notices(), (QStringList{"SISTEMA|Modo SMS Activado|1", "SISTEMA|Modo SMS Activado|0"}));
}

TEST_F(SmsModeTest, MinutesShownAndTheOneMinuteFloor) {
    form.txtMaxNoNet.setText("0");
    passAt(60);
    EXPECT_EQ(form.lblMinMal.text(), "") << "one minute is not more than one minute";
    EXPECT_FALSE(flags.SMSOn);
    passAt(61);
    EXPECT_EQ(seen(), (QStringList{"1", "#ffc0c0", "SMS", "on"}))
        << "0 minutes: at the first pass past one minute";

    passAt(100LL * 24 * 3600);
    EXPECT_EQ(form.lblMinMal.text(), "9999");

    // A text that is no number of minutes reads as its leading number.
    flags.SMSOn = false;
    form.txtMaxNoNet.setText("2 minutos");
    passAt(90);
    EXPECT_FALSE(flags.SMSOn) << "not two minutes yet";
    passAt(120);
    EXPECT_TRUE(flags.SMSOn);
}

TEST_F(SmsModeTest, ARestartInSmsModeKeepsItWithoutANewNotice) {
    EscribeIni(StatusFile(dir.path()).path(), "status", "SMSON", "1");
    flags.SMSOn = true;
    form.txtMaxNoNet.setText("15");
    delivery.delivered();
    sms.RestauraModoSMS();
    EXPECT_TRUE(form.lblModoSMS.visible());
    EXPECT_EQ(delivery.failingSince(), clock.now().addSecs(-16 * 60));
    sms.CheckSMS();
    EXPECT_EQ(seen(), (QStringList{"16", "#ffc0c0", "SMS", "on"}));
    EXPECT_TRUE(notices().isEmpty());

    flags.SMSOn = false;
    form.lblModoSMS.setVisible(false);
    sms.RestauraModoSMS();
    EXPECT_FALSE(form.lblModoSMS.visible());
    EXPECT_FALSE(delivery.failurePending());
}

TEST_F(SmsModeTest, WindowActions) {
    QTemporaryDir modemDir;
    const QString record = modemDir.filePath("record");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--record", record, "--signal", "12"}));
    form.txtComPort.setText(modem.path());
    form.txtRecipient.setText("+34600000001");

    form.chkSMSEnabled.setChecked(false);
    sms.btnTestSMS_Click();
    EXPECT_EQ(form.lblSignal.text(), "12");
    EXPECT_EQ(form.lblErrorSMS.text(), Sms::enableFirst);
    sms.lblErrorSMS_Click();
    EXPECT_EQ(form.lblErrorSMS.text(), "");

    form.chkSMSEnabled.setChecked(true);
    sms.btnTestSMS_Click();
    EXPECT_EQ(readFile(record), "+34600000001\tTest sms VORN\n");

    for (const bool ticked : {false, true}) {
        form.chkAlarms.setChecked(ticked);
        sms.chkAlarms_Click();
        EXPECT_EQ(form.lblAlm.visible(), ticked);
        EXPECT_EQ(form.lblAlmVidas.visible(), ticked);
        EXPECT_EQ(sms.alarmsWatched(), ticked) << "what the overall light reads";
    }
}
