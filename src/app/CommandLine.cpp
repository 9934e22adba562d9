#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>

std::optional<CommandLine> CommandLine::parse(const QStringList& arguments, const QString& executableFolder,
                                              QString* error) {
    CommandLine cl;
    cl.folder = executableFolder;
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString value;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        const QString name = a.startsWith(QLatin1String("--")) && eq > 0 ? a.left(eq) : a;
        const bool takesValue = name == QLatin1String("--folder") || name == QLatin1String("--tick-ms");
        if (takesValue) {
            if (eq > 0)
                value = a.mid(eq + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return fail(QStringLiteral("la opción %1 necesita un valor").arg(name));
        }
        if (name == QLatin1String("--folder")) {
            if (value.isEmpty())
                return fail(QStringLiteral("--folder: carpeta vacía"));
            if (!QFileInfo(value).isDir())
                return fail(QStringLiteral("--folder: no existe la carpeta '%1'").arg(value));
            cl.folder = QDir(value).absolutePath();
        } else if (name == QLatin1String("--tick-ms")) {
            bool ok = false;
            const qlonglong ms = value.toLongLong(&ok);
            constexpr qlonglong dayMs = 24LL * 60 * 60 * 1000;
            if (!ok || ms < 10 || ms > dayMs)
                return fail(QStringLiteral(
                                "--tick-ms: se espera un número de milisegundos entre 10 y 86400000, no '%1'")
                                .arg(value));
            cl.tick = std::chrono::milliseconds(ms);
        } else if (a == QLatin1String("--unattended")) {
            cl.unattended = true;
        } else if (a == QLatin1String("--trace")) {
            cl.trace = true;
        } else if (a == QLatin1String("--create-buffer")) {
            cl.createBuffer = true;
        } else if (a == QLatin1String("--check")) {
            cl.check = true;
        } else if (a == QLatin1String("--test-link")) {
            cl.testLink = true;
        } else if (a == QLatin1String("--status")) {
            cl.status = true;
        } else if (a == QLatin1String("--json")) {
            cl.json = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cl.help = true;
        } else if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
            cl.version = true;
        } else {
            return fail(QStringLiteral("opción desconocida: '%1'").arg(a));
        }
    }
    if (cl.json && !cl.status)
        return fail(QStringLiteral("--json va con --status"));
    return cl;
}

QString CommandLine::helpText() {
    return QStringLiteral(
        "Uso: vornnet [--folder DIR] [--unattended] [--tick-ms N] [--trace] [--create-buffer] [--check] "
        "[--test-link] "
        "[--status [--json]] [--help] [--version]\n"
        "  --folder DIR     carpeta del programa (vornnet.ini, status.ini, buffer.mdb); por defecto la del "
        "ejecutable\n"
        "  --unattended     sin ventana ni icono; los mensajes van a la salida de errores\n"
        "  --tick-ms N      periodo del planificador en milisegundos (por defecto 30000)\n"
        "  --trace          el nombre de cada paso del planificador en la salida estándar\n"
        "  --create-buffer  crea un buffer.mdb vacío en la carpeta del programa y termina\n"
        "  --check          comprueba vornnet.ini y lo que nombra, sin escribir nada; 0 si nada falla\n"
        "  --test-link      envía un test de vida por cada enlace configurado y dice el eco o el fallo\n"
        "  --status         pregunta al agente en marcha en la carpeta lo que muestra su ventana\n"
        "  --json           con --status, un objeto JSON\n"
        "  --help           esta ayuda\n"
        "  --version        la versión\n");
}
