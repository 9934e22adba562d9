// The pure parts of the modem driver, from tables: the edges the seeded properties do not reach.
#include "sms/SmsText.h"
#include "sms/ModemReply.h"
#include "sms/SerialPortName.h"
#include "sms/SignalQuality.h"

#include "support/TestCommon.h"

using ModemReply::Verdict;

TEST(ModemReply, IsJudgedBySearchingEverythingReceived) {
    const struct {
        QByteArray received;
        QByteArray awaited;
        Verdict verdict;
    } rows[] = {
        {QByteArray("\0\x01OK\r", 5), "OK\r", Verdict::Awaited},
        {"\r\nok\r\n", "OK\r", Verdict::Waiting}, // case counts
        {"\r\nERROR", "OK\r", Verdict::Waiting},
        {"\r\nOK\r\n\r\nERROR\r\n", "OK\r", Verdict::Error}, // ERROR wins over the awaited text
        {"\r\n+CMS ERROR: 331\r\n", "OK\r", Verdict::Waiting},
        {"\r\n+CSQ: 17,99\r\n\r\nOK", "OK", Verdict::Awaited},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ModemReply::judge(r.received, r.awaited), r.verdict) << r.received;
}

TEST(SignalQuality, ReadsTheStrengthWithTheDecimalComma) {
    const struct {
        QByteArray answer;
        SignalQuality::Reading reading;
    } rows[] = {
        {"\r\n+CSQ: 30,99\r\n\r\nOK\r\n", {">30", 30}}, // 30.99
        {"\r\n+CSQ: 30,0\r\n\r\nOK\r\n", {"30", 30}},
        {"\r\n+CSQ: 90,0\r\n\r\nOK\r\n", {"NC", 0}},
        {"AT+CSQ\r\r\n+CSQ: 23,99\r\n\r\nOK\r\n", {"23", 23}},
        {"+CSQ:17", {"17", 17}},           // fewer than six characters left
        {"\r\n+CSQ: ab,cd\r\n", {"0", 0}}, // not a number
        {"\r\nERROR\r\n", {"NM", 0}},
        {"", {"NM", 0}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SignalQuality::read(r.answer), r.reading) << r.answer;
}

TEST(SmsText, QuitaAcentosAndTheCut) {
    const struct {
        QString text;
        QString prepared;
    } rows[] = {
        {"áéíóú ñÑ", "aeiou nN"},
        {"ÁÉÍ", "***"},
        {"Ü ü ç º { | } ~ €", "* * * * * * * * *"},
        {"EDAR|Norte: Bomba 2: Inicio Fallo térmico", "EDAR*Norte: Bomba 2: Inicio Fallo termico"},
        {"Sala ñ Fecha: 12/03", "Sala n"},
        {"Sala  Fecha", "Sala"},
        {"xFecha", "x"},
        {"Fecha: 12/03 Sala", "Fecha: 12/03 Sala"},       // at position 1: ignored
        {"Fecha 1 y Fecha 2", "Fecha 1 y Fecha 2"},       // and so is every later one
        {"  Fecha tras blancos", "Fecha tras blancos"},   // the blanks go first
        {"Sala FECHA fecha", "Sala FECHA fecha"},         // case counts
        {"  a\tb  ", "a b"},                              // a tab is a control character: a blank
        {"\033Bomba\x1a 2\r\n\x7f", "Bomba  2"},          // no Ctrl-Z, ESC or line end reaches the modem
        {QString(200, QChar(0x00F1)), QString(155, 'n')}, // 200 characters: the first 155 prepared
        {"   " + QString(160, 'a'), QString(155, 'a')},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SmsText::prepare(r.text), r.prepared) << r.text;
    EXPECT_EQ(SmsText::QuitaAcentos(QString(200, 'a')).size(), 200) << "QuitaAcentos itself does not cut";
}

TEST(SerialPortName, FromThePortField) {
    using K = SerialPortName::Kind;
    const struct {
        QString text;
        SerialPortName port;
    } rows[] = {
        {"0", {K::NoModem, {}}},           {" 0 ", {K::NoModem, {}}},
        {"00", {K::NoModem, {}}},          {"1", {K::Port, "/dev/ttyS0"}},
        {"3", {K::Port, "/dev/ttyS2"}},    {"/dev/pts/4", {K::Port, "/dev/pts/4"}},
        {"ttyUSB0", {K::Port, "ttyUSB0"}}, {"", {K::Invalid, {}}},
        {"  ", {K::Invalid, {}}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SerialPortName::fromText(r.text), r.port) << r.text;
}
