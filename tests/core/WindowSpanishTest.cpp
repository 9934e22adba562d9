#include "app/LogFolder.h"
#include "app/QtTranslations.h"
#include "core/Form1State.h"
#include "gui/Form1Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

TEST(WindowSpanishTest, MessageBoxButtonsSayAceptar) {
    QTranslator* spanish = QtTranslations::installSpanish(*qApp);
    ASSERT_NE(spanish, nullptr) << "qtbase_es.qm in " << QtTranslations::defaultFolder().toStdString()
                                << " (package qt6-translations-l10n)";
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error Vorn-Net"), QStringLiteral("texto"),
                    QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), "Aceptar");
    QCoreApplication::removeTranslator(spanish);
    delete spanish;
}

TEST(WindowSpanishTest, DatosShowsItsWholeTextAsTooltipUnlessItHasOneOfItsOwn) {
    Form1State state;
    Form1Window window(state);
    QWidget* datos = window.findChild<QWidget*>(QStringLiteral("Datos"));
    ASSERT_NE(datos, nullptr);
    const QString message = QStringLiteral("PLANTA DEMO,ALARM,Caldera 2,Temperatura alta en el circuito de "
                                           "retorno,1,XX,XX,XX,XX,2026/12/06 19:45:03");
    const QStringList tips = {message, QString()};
    for (const QString& text : tips) {
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
    struct Case {
        bool opened;
        QString estado;
    };
    const Case cases[] = {{true, QStringLiteral("Conectado")},
                          {false, QStringLiteral("Logs en ") + QDir::toNativeSeparators(logs.path())}};
    for (const Case& c : cases) {
        Form1State state;
        state.ESTADO.setText(QStringLiteral("Conectado"));
        QList<QUrl> asked;
        LogFolder folder(state.ESTADO, [&](const QUrl& url) {
            asked.append(url);
            return c.opened;
        });
        folder.btnLogClick(logs.path());
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0], QUrl::fromLocalFile(logs.path()));
        EXPECT_EQ(state.ESTADO.text(), c.estado);
    }
}

} // namespace
