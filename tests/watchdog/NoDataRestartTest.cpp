#include "watchdog/NoDataRestart.h"
#include "WatchdogFixture.h"

namespace {

class NoDataRestartTest : public WatchdogFixture {
protected:
    NoDataRestartTest() {
        form.chkRestart.setChecked(true);
        form.lblNumVidas.setText("0");
    }
    // The tick (from 1) at which TestData asks for a restart; 0 when none did within limit.
    int restartAt(const char* threshold, int limit) {
        form.txtMinSinData.setText(threshold);
        for (int tick = 1; tick <= limit; ++tick)
            if (!noData.TestData())
                return tick;
        return 0;
    }
    NoDataRestart noData{
        {form.chkRestart, form.lblNumVidas, form.txtMinSinData, form.lblTimeWithoutData}, clock, buffer};
};

} // namespace

TEST_F(NoDataRestartTest, CountsTicksWithoutRecordsUpToTheThresholdReadAnewCappedAt999) {
    EXPECT_EQ(restartAt("30", 40), 30);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "0");
    EXPECT_EQ(restartAt("30", 5), 0);
    EXPECT_EQ(restartAt("5", 1), 1) << "a saved threshold applies at the next tick";
    EXPECT_EQ(restartAt("tres", 1), 1) << "a threshold that is not a number reads as 0";
    EXPECT_EQ(restartAt("1000", 1100), 0);
    EXPECT_EQ(form.lblTimeWithoutData.text(), "999");
    EXPECT_EQ(restartAt("999", 1), 1);

    for (const auto& [records, restartOn] : {std::pair{"1", true}, {"12 registros", true}, {"0", false}}) {
        form.lblTimeWithoutData.setText("17");
        form.lblNumVidas.setText(records);
        form.chkRestart.setChecked(restartOn);
        EXPECT_TRUE(noData.TestData()) << records;
        EXPECT_EQ(form.lblTimeWithoutData.text(), "0") << records;
    }

    noData.MandaMensajeRestart();
    EXPECT_EQ(notices(), QStringList{"AVISO|Gelmar Reiniciado por falta de datos|1"});
}
