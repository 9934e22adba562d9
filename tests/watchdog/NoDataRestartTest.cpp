#include "watchdog/NoDataRestart.h"
#include "WatchdogFixture.h"

namespace {

class NoDataRestartTest : public WatchdogFixture {
protected:
    NoDataRestartTest() {
        form.chkRestart.setChecked(true);
        form.txtMinSinData.setText("30");
        form.lblNumVidas.setText("0");
    }
    // Ticks until TestData asks for a restart; 0 when it did not within limit.
    int ticksToRestart(int limit) {
        for (int tick = 1; tick <= limit; ++tick)
            if (!noData.TestData())
                return tick;
        return 0;
    }
    NoDataRestart noData{form, clock, buffer};
};

} // namespace

TEST_F(NoDataRestartTest, CountsTicksWithoutRecordsUpToTheThresholdReadAnewEachTime) {
    EXPECT_EQ(form.lblTimeWithoutData.text(), "0");
    EXPECT_EQ(ticksToRestart(29), 0);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "29");
    EXPECT_FALSE(noData.TestData()) << "the 30th tick";
    EXPECT_EQ(form.lblTimeWithoutData.text(), "0");

    ASSERT_EQ(ticksToRestart(5), 0);
    form.txtMinSinData.setText("5"); // a saved setting applies at the next tick
    EXPECT_FALSE(noData.TestData());
    form.txtMinSinData.setText("tres");
    EXPECT_FALSE(noData.TestData()) << "a threshold that is not a number reads as 0";
}

TEST_F(NoDataRestartTest, RecordsOrRestartsOffHoldTheCounterAtZero) {
    const struct {
        const char* records;
        bool restartOn;
    } cases[] = {{"1", true}, {"12 registros", true}, {"0", false}, {"", false}};
    for (const auto& c : cases) {
        form.lblTimeWithoutData.setText("17");
        form.lblNumVidas.setText(c.records);
        form.chkRestart.setChecked(c.restartOn);
        EXPECT_TRUE(noData.TestData()) << c.records;
        EXPECT_EQ(form.lblTimeWithoutData.text(), "0") << c.records;
    }
}

TEST_F(NoDataRestartTest, CounterStopsAt999SoAThresholdAboveIsNeverReached) {
    form.txtMinSinData.setText("1000");
    EXPECT_EQ(ticksToRestart(1200), 0);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "999");
    form.txtMinSinData.setText("999");
    EXPECT_FALSE(noData.TestData());
}

TEST_F(NoDataRestartTest, AnnouncementIsOneBeginNoticeFromAviso) {
    noData.MandaMensajeRestart();
    EXPECT_EQ(notices(), QStringList{"AVISO|Gelmar Reiniciado por falta de datos|1"});
    EXPECT_EQ(buffer.rowsAfter(0, clock.now().addDays(-1)).value(0).date, clock.now());
}
