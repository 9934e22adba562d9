#include "core/Form1Window.h"
#include "core/Form1State.h"
#include "core/WidgetDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The model announces a batch of changes from the event loop.
void settle() {
    QCoreApplication::processEvents();
}

class Form1WindowTest : public ::testing::Test {
protected:
    template <typename T = QWidget> T* widget(const char* name) {
        T* w = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QColor colourAtCentre(QWidget* w) {
        const QImage image = w->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }

    Form1State state;
    Form1Window window{state};
};

TEST_F(Form1WindowTest, EveryControlHasOneWidgetOfTheRightKind) {
    const QStringList lineEdits = {
        "ESTADO",        "Datos",       "status",        "txtError",      "txtPlanta",     "txtFreeSpace",
        "txtMbAdquired", "lblLastDate", "lblNumVidas",   "lblAlmVidas",   "lblMinMal",     "txtCicloActivo",
        "lblTiempoHist", "IpQuarn",     "lblPuerto",     "lblTestVida",   "IpQuarnA",      "IpQuarnB",
        "lblPuertoA",    "lblPuertoB",  "txtMinSinData", "txtPathGelmar", "txtDifHoraria", "txtComPort",
        "txtRecipient",  "txtMaxNoNet", "txtPass"};
    const QStringList checkBoxes = {"chkRestart", "chkOptimiza", "chkAlarms", "chkSMSEnabled"};
    const QStringList buttons = {"btnconfigurar", "btnCerrar",  "Command1",  "btnLog",
                                 "btnReindex",    "btnRepHist", "btnTestSMS"};
    const QStringList notChildren = {"form1", "mnuMenu", "mnuVornnet"};

    for (const Control* c : state.controls()) {
        const QString& name = c->name();
        if (notChildren.contains(name))
            continue;
        const QList<QWidget*> found = window.findChildren<QWidget*>(name);
        ASSERT_EQ(found.size(), 1) << qPrintable(name);
        QWidget* w = found.first();
        if (lineEdits.contains(name))
            EXPECT_TRUE(qobject_cast<QLineEdit*>(w)) << qPrintable(name);
        else if (checkBoxes.contains(name))
            EXPECT_TRUE(qobject_cast<QCheckBox*>(w)) << qPrintable(name);
        else if (buttons.contains(name))
            EXPECT_TRUE(qobject_cast<QPushButton*>(w)) << qPrintable(name);
        else if (name == "ProgressBar1")
            EXPECT_TRUE(qobject_cast<QProgressBar*>(w)) << qPrintable(name);
        else
            EXPECT_TRUE(qobject_cast<QLabel*>(w)) << qPrintable(name);
    }
}

TEST_F(Form1WindowTest, StartsAsTheModelSays) {
    EXPECT_FALSE(window.isVisible()) << "shown only when the load has finished";
    state.form1.setVisible(true);
    window.refresh();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(widget<QPushButton>("btnconfigurar")->text(), "Configurar");
    EXPECT_EQ(widget<QLabel>("lblTime")->text(), "30");
    EXPECT_EQ(widget("lblNumVidas")->toolTip(), "Se actualiza a las 00, 15, 30, y 45 minutos.");
    EXPECT_EQ(widget("btnLog")->toolTip(), "LogFile: VORNNET-XXXX.log");
    EXPECT_TRUE(widget("lblModoSMS")->isHidden());
    EXPECT_TRUE(widget("txtPass")->isHidden());
    EXPECT_FALSE(widget("Image1")->findChild<QWidget*>()) << "a picture, not a container";
    EXPECT_FALSE(widget<QLabel>("Image1")->pixmap().isNull());
}

TEST_F(Form1WindowTest, ModelChangesReachTheWidgets) {
    state.form1.setText("VORN-NET CLIENT :: Versión 5.51. << Optimiza activo >>");
    state.lblProceso.setText("Busca Alarmas");
    state.IpQuarn.setText("10.1.2.3");
    state.chkAlarms.setChecked(true);
    state.lblModoSMS.setVisible(true);
    state.btnReindex.setEnabled(false);
    state.lblMinMal.setBackground(QColor(255, 192, 192));
    state.shapeOk2.setBackground(QColor(255, 0, 0));
    state.lblSignal.setForeground(QColor(255, 0, 0));
    state.lblFree.setToolTip("Límite alarma: 5Gb");
    state.ProgressBar1.setValue(45);
    settle();

    EXPECT_EQ(window.windowTitle(), "VORN-NET CLIENT :: Versión 5.51. << Optimiza activo >>");
    EXPECT_EQ(widget<QLabel>("lblProceso")->text(), "Busca Alarmas");
    EXPECT_EQ(widget<QLineEdit>("IpQuarn")->text(), "10.1.2.3");
    EXPECT_TRUE(widget<QCheckBox>("chkAlarms")->isChecked());
    EXPECT_FALSE(widget("lblModoSMS")->isHidden());
    EXPECT_FALSE(widget("btnReindex")->isEnabled());
    EXPECT_EQ(colourAtCentre(widget("lblMinMal")), QColor(255, 192, 192));
    EXPECT_EQ(colourAtCentre(widget("shapeOk2")), QColor(255, 0, 0));
    EXPECT_EQ(widget("lblSignal")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(widget("lblFree")->toolTip(), "Límite alarma: 5Gb");
    EXPECT_EQ(widget<QProgressBar>("ProgressBar1")->value(), 30) << "beyond the bar's range shows full";

    // Back to the control's own colour.
    const QColor before = colourAtCentre(widget("shapeOk1"));
    state.shapeOk2.setBackground(QColor());
    state.form1.setVisible(false);
    settle();
    EXPECT_EQ(colourAtCentre(widget("shapeOk2")), before);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Form1WindowTest, UserEditsGoBackToTheModelOnce) {
    state.txtPass.setVisible(true);
    state.chkRestart.setEnabled(true);
    settle();
    QSignalSpy changed(&state, &Form1State::changed);

    QTest::keyClicks(widget("txtPass"), "TUP3");
    QTest::mouseClick(widget("chkRestart"), Qt::LeftButton);
    EXPECT_EQ(state.txtPass.text(), "TUP3");
    EXPECT_TRUE(state.chkRestart.checked());

    settle();
    settle();
    EXPECT_EQ(changed.count(), 1) << "writing the edit back must not start another round";
    EXPECT_EQ(widget<QLineEdit>("txtPass")->text(), "TUP3");
}

TEST_F(Form1WindowTest, FieldBeingTypedIntoKeepsTheTyping) {
    state.txtRecipient.setEnabled(true);
    settle();
    QApplication::setActiveWindow(&window);
    auto* edit = widget<QLineEdit>("txtRecipient");
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());

    QTest::keyClicks(edit, "+3460");
    state.txtRecipient.setText("+34999");
    settle();
    EXPECT_EQ(edit->text(), "+3460");

    // Leaving the field shows the model again.
    edit->clearFocus();
    EXPECT_EQ(edit->text(), "+34999");
}

TEST_F(Form1WindowTest, LockedFieldsTakeNoTypingUntilUnlocked) {
    for (Control* c : state.configFields())
        EXPECT_FALSE(widget(c->name().toLatin1().constData())->isEnabled()) << qPrintable(c->name());

    QTest::keyClicks(widget("IpQuarn"), "1.2.3.4");
    EXPECT_EQ(widget<QLineEdit>("IpQuarn")->text(), "");
    EXPECT_EQ(state.IpQuarn.text(), "");

    state.IpQuarn.setEnabled(true);
    settle();
    QTest::keyClicks(widget("IpQuarn"), "1.2.3.4");
    EXPECT_EQ(state.IpQuarn.text(), "1.2.3.4");
}

TEST_F(Form1WindowTest, CloseBoxHidesAndTheProgramOwnCloseCloses) {
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(state.form1.visible());
    EXPECT_EQ(lastClosed.count(), 0);

    window.showMinimized();
    window.restore();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(state.form1.visible());

    window.allowClose();
    EXPECT_TRUE(window.close());
}

TEST_F(Form1WindowTest, ClicksAreReported) {
    using Signal = void (Form1Window::*)();
    const QList<QPair<const char*, Signal>> clicks = {{"btnconfigurar", &Form1Window::configurarClicked},
                                                      {"btnCerrar", &Form1Window::cerrarClicked},
                                                      {"Command1", &Form1Window::minimizarClicked},
                                                      {"btnLog", &Form1Window::logClicked},
                                                      {"btnReindex", &Form1Window::reindexClicked},
                                                      {"btnRepHist", &Form1Window::repHistClicked},
                                                      {"btnTestSMS", &Form1Window::testSmsClicked},
                                                      {"Image1", &Form1Window::image1Clicked},
                                                      {"Label5", &Form1Window::label5Clicked},
                                                      {"lblTime", &Form1Window::lblTimeClicked}};
    for (const auto& [name, signal] : clicks) {
        QSignalSpy spy(&window, signal);
        QTest::mouseClick(widget(name), Qt::RightButton);
        EXPECT_EQ(spy.count(), 0) << name;
        QTest::mouseClick(widget(name), Qt::LeftButton);
        EXPECT_EQ(spy.count(), 1) << name;
    }
}

TEST_F(Form1WindowTest, MessageBoxIsModalOverTheWindowWithOkOnly) {
    WidgetDialogs dialogs(&window);
    struct Seen {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
    };
    QList<Seen> seen;
    auto closeNextBox = [&] {
        QTimer::singleShot(0, &window, [&] {
            auto* box = window.findChild<QMessageBox*>();
            ASSERT_NE(box, nullptr);
            seen.append(
                {box->icon(), box->windowTitle(), box->text(), box->standardButtons(), box->isModal()});
            box->accept();
        });
    };

    closeNextBox();
    dialogs.message(Dialogs::Icon::Critical, "Error Vorn-Net", "No se encuentra buffer.mdb");
    closeNextBox();
    dialogs.message("El proceso ya se ha iniciado");

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].title, "Error Vorn-Net");
    EXPECT_EQ(seen[0].text, "No se encuentra buffer.mdb");
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
    EXPECT_TRUE(seen[0].modal);
    EXPECT_EQ(seen[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen[1].title, Dialogs::defaultTitle);
}

} // namespace
