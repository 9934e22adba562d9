#include "gui/Form1Window.h"
#include "app/LogFolder.h"
#include "app/QtTranslations.h"
#include "core/model/Form1State.h"
#include "core/runtime/StepRunner.h"
#include "gui/WidgetDialogs.h"

#include "support/TestCommon.h"
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTranslator>

// The model announces a batch of changes from the event loop.
const auto settle = [] { QCoreApplication::processEvents(); };

QString caption(QWidget* w) {
    return w->property(qobject_cast<QGroupBox*>(w) ? "title" : "text").toString();
}

const char* kindOf(const QString& name) {
    static const QRegularExpression lineEdit("^(ESTADO|Datos|status|txt.*|IpQuarn.*|lblPuerto.*|lblLastDate|"
                                             "lblNumVidas|lblAlmVidas|lblMinMal|lblTestVida|lblTiempoHist)$");
    if (lineEdit.match(name).hasMatch())
        return "QLineEdit";
    if (name.startsWith("chk"))
        return "QCheckBox";
    if (name.startsWith("btn") || name == "Command1")
        return "QPushButton";
    return name == "ProgressBar1" ? "QProgressBar" : "QLabel";
}

class Form1WindowTest : public ::testing::Test {
protected:
    QWidget* widget(const char* name) {
        QWidget* w = window.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The controls shown by a widget of their own (the window and the tray menu are not).
    QList<Control*> bound() {
        QList<Control*> all = state.controls();
        all.removeIf([](Control* c) { return c->name() == "form1" || c->name().startsWith("mnu"); });
        return all;
    }

    Form1State state;
    Form1Window window{state};
};

TEST_F(Form1WindowTest, EveryControlHasOneWidgetOfTheRightKindShowingTheModel) {
    EXPECT_FALSE(window.isVisible()) << "shown only when the load has finished";
    auto expectShown = [&] {
        for (const Control* c : bound()) {
            const QList<QWidget*> found = window.findChildren<QWidget*>(c->name());
            ASSERT_EQ(found.size(), 1) << qPrintable(c->name());
            QWidget* w = found.first();
            EXPECT_TRUE(w->inherits(kindOf(c->name()))) << qPrintable(c->name());
            if (!qobject_cast<QProgressBar*>(w))
                EXPECT_EQ(caption(w), c->text()) << qPrintable(c->name());
            EXPECT_EQ(w->toolTip(), c->toolTip()) << qPrintable(c->name());
            EXPECT_EQ(w->isHidden(), !c->visible()) << qPrintable(c->name());
            EXPECT_EQ(w->isEnabled(), c->enabled()) << qPrintable(c->name());
        }
    };
    expectShown();
    for (Control* c : bound()) {
        c->setText(c->name() + " ñ");
        c->setToolTip(c->name());
        c->setVisible(!c->visible());
        c->setEnabled(!c->enabled());
    }
    settle();
    expectShown();
}

TEST_F(Form1WindowTest, UserEditsGoBackToTheModelOnceAndOnlyWhenUnlocked) {
    QTest::keyClicks(widget("IpQuarn"), "1.2.3.4");
    EXPECT_EQ(state.IpQuarn.text(), "") << "a locked field takes no typing";

    state.chkRestart.setEnabled(true);
    state.IpQuarn.setEnabled(true);
    settle();
    QSignalSpy changed(&state, &Form1State::changed);
    QTest::keyClicks(widget("IpQuarn"), "1.2.3.4");
    QTest::mouseClick(widget("chkRestart"), Qt::LeftButton);
    EXPECT_EQ(state.IpQuarn.text(), "1.2.3.4");
    EXPECT_TRUE(state.chkRestart.checked());
    settle();
    settle();
    EXPECT_EQ(changed.count(), 1) << "writing the edit back must not start another round";
    EXPECT_EQ(caption(widget("IpQuarn")), "1.2.3.4");
}

TEST_F(Form1WindowTest, FieldBeingTypedIntoKeepsTheTyping) {
    state.txtRecipient.setEnabled(true);
    settle();
    QApplication::setActiveWindow(&window);
    QWidget* edit = widget("txtRecipient");
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    QTest::keyClicks(edit, "+3460");
    state.txtRecipient.setText("+34999");
    settle();
    EXPECT_EQ(caption(edit), "+3460");
    edit->clearFocus();
    EXPECT_EQ(caption(edit), "+34999") << "leaving the field shows the model again";
}

TEST_F(Form1WindowTest, CloseBoxIsReportedAndOnlyTheProgramOwnCloseCloses) {
    state.form1.setVisible(true);
    settle();
    ASSERT_TRUE(window.isVisible());
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QSignalSpy closeBox(&window, &Form1Window::closeBoxClicked);
    EXPECT_FALSE(window.close());
    EXPECT_EQ(closeBox.count(), 1);
    EXPECT_TRUE(window.isVisible()) << "where the window goes is the logic's choice";
    EXPECT_EQ(lastClosed.count(), 0);

    window.allowClose();
    EXPECT_TRUE(window.close());
}

TEST_F(Form1WindowTest, LeftClicksAreReported) {
    using Signal = void (Form1Window::*)();
    // clang-format off
    const std::pair<const char*, Signal> clicks[] = {
        {"btnconfigurar", &Form1Window::configurarClicked}, {"btnCerrar", &Form1Window::cerrarClicked},
        {"Command1", &Form1Window::minimizarClicked}, {"btnLog", &Form1Window::logClicked},
        {"btnReindex", &Form1Window::reindexClicked}, {"btnRepHist", &Form1Window::repHistClicked},
        {"btnTestSMS", &Form1Window::testSmsClicked}, {"Image1", &Form1Window::image1Clicked},
        {"Label5", &Form1Window::label5Clicked}, {"lblTime", &Form1Window::lblTimeClicked},
        {"lblErrorSMS", &Form1Window::lblErrorSMSClicked}, {"chkAlarms", &Form1Window::chkAlarmsClicked}};
    // clang-format on
    state.chkAlarms.setEnabled(true); // a configuration field: clickable behind the access code
    window.refresh();
    for (const auto& [name, signal] : clicks) {
        QSignalSpy spy(&window, signal);
        QTest::mouseClick(widget(name), Qt::RightButton);
        QTest::mouseClick(widget(name), Qt::LeftButton);
        EXPECT_EQ(spy.count(), 1) << name;
    }
    bool checkedWhenReported = true;
    QObject::connect(&window, &Form1Window::chkAlarmsClicked,
                     [&] { checkedWhenReported = state.chkAlarms.checked(); });
    ASSERT_TRUE(state.chkAlarms.checked()) << "ticked by the first click";
    QTest::mouseClick(widget("chkAlarms"), Qt::LeftButton);
    EXPECT_FALSE(checkedWhenReported) << "the model holds the new state when the click is reported";
}

TEST(WindowSpanishTest, MessageBoxButtonsSayAceptar) {
    // Taken out of the application again when deleted.
    const std::unique_ptr<QTranslator> spanish(QtTranslations::installSpanish(*qApp));
    ASSERT_NE(spanish, nullptr) << "qtbase_es.qm in " << QtTranslations::defaultFolder()
                                << " (package qt6-translations-l10n)";
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error Vorn-Net"), QStringLiteral("texto"),
                    QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), "Aceptar");
}

TEST_F(Form1WindowTest, DatosShowsItsWholeTextAsTooltipUnlessItHasOneOfItsOwn) {
    QWidget* datos = widget("Datos");
    ASSERT_NE(datos, nullptr);
    const QString message = QStringLiteral("PLANTA DEMO,ALARM,Caldera 2,Temperatura alta en el circuito de "
                                           "retorno,1,XX,XX,XX,XX,2026/12/06 19:45:03");
    for (const QString& text : {message, QString()}) {
        state.Datos.setText(text);
        window.refresh();
        EXPECT_EQ(datos->toolTip(), text);
    }
    state.Datos.setText(message);
    state.Datos.setToolTip(QStringLiteral("propio"));
    window.refresh();
    EXPECT_EQ(datos->toolTip(), "propio");
}

TEST(WindowSpanishTest, LogButtonOpensTheFolderOrSaysInEstadoWhereTheLogsAre) {
    QTemporaryDir logs;
    const std::pair<bool, QString> cases[] = {{true, "Conectado"},
                                              {false, "Logs en " + QDir::toNativeSeparators(logs.path())}};
    for (const auto& [opened, estado] : cases) {
        Control ESTADO{"ESTADO", "Conectado"};
        QList<QUrl> asked;
        LogFolder folder(ESTADO, [&](const QUrl& url) {
            asked.append(url);
            return opened;
        });
        folder.btnLogClick(logs.path());
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0], QUrl::fromLocalFile(logs.path()));
        EXPECT_EQ(ESTADO.text(), estado);
    }
}

static QList<QMessageBox*> openBoxes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QMessageBox*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            open << box;
    return open;
}

TEST(WidgetDialogsTest, BoxesOfPeriodicWorkDoNotWaitAndDoNotPileUp) {
    WidgetDialogs dialogs;
    // A box that waited for its click would hold the test: this click says so instead of hanging.
    bool clickedByTest = false;
    QTimer rescue;
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            clickedByTest = true;
            modal->close();
        }
    });
    rescue.start(200);

    StepRunner scheduler;
    scheduler.add("Busca Alarmas",
                  [&] { dialogs.message(Dialogs::Icon::Critical, "Vorn-Net", "sin conexión"); });
    scheduler.setPeriod(std::chrono::milliseconds(1));
    scheduler.start();
    scheduler.loadFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scheduler.runs() >= 3; }, 5000));
    scheduler.stop();
    EXPECT_FALSE(clickedByTest) << "the runs went on while the box was open";
    ASSERT_EQ(openBoxes().size(), 1) << "one box for one text";
    EXPECT_FALSE(openBoxes()[0]->isModal());
    dialogs.message(Dialogs::Icon::Critical, "Vorn-Net", "otro fallo");
    EXPECT_EQ(openBoxes().size(), 2);
    for (QMessageBox* box : openBoxes())
        box->close();
    EXPECT_TRUE(openBoxes().isEmpty()) << "a closed box is gone";
    dialogs.message(Dialogs::Icon::Critical, "Vorn-Net", "sin conexión");
    EXPECT_EQ(openBoxes().size(), 1) << "the same text after its box was closed opens one again";
    openBoxes()[0]->close();

    // The load's boxes wait for their click.
    const Dialogs::Blocking load = dialogs.blocking();
    dialogs.message(Dialogs::Icon::Critical, "Vorn-Net", "fin del programa");
    EXPECT_TRUE(clickedByTest);
    EXPECT_TRUE(openBoxes().isEmpty());
}
