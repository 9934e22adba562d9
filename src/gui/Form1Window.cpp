#include "gui/Form1Window.h"

#include "core/model/Form1State.h"
#include "core/model/Palette.h"
#include "gui/AgentIcon.h"
#include "ui_form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegion>

namespace {

// The window itself and the tray menu are not child widgets of the form.
bool isNotAChild(const Control& c) {
    return c.name() == QLatin1String("form1") || c.name() == QLatin1String("mnuMenu") ||
           c.name() == QLatin1String("mnuVornnet");
}

// The palette roles a widget paints its face and its text with.
QPalette::ColorRole faceRole(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w))
        return QPalette::Base;
    if (qobject_cast<const QPushButton*>(w))
        return QPalette::Button;
    return QPalette::Window;
}

QPalette::ColorRole textRole(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w))
        return QPalette::Text;
    if (qobject_cast<const QPushButton*>(w))
        return QPalette::ButtonText;
    return QPalette::WindowText;
}

} // namespace

Form1Window::Form1Window(Form1State& state, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::Form1Window>()), m_state(state) {
    m_ui->setupUi(this);
    setWindowIcon(AgentIcon::icon());
    m_ui->Image1->setPixmap(AgentIcon::pixmap(32));

    for (QLabel* shape : {m_ui->shapeOk1, m_ui->shapeOk2, m_ui->shapeOk3, m_ui->circuloEstado}) {
        shape->setMask(QRegion(QRect(QPoint(0, 0), shape->maximumSize()), QRegion::Ellipse));
        shape->setAutoFillBackground(true);
        QPalette p = shape->palette();
        p.setColor(QPalette::Window, Palette::lightGrey);
        shape->setPalette(p);
    }
    for (QLabel* clickable : {m_ui->Image1, m_ui->Label5, m_ui->lblTime, m_ui->lblErrorSMS}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
    }

    connect(m_ui->btnconfigurar, &QPushButton::clicked, this, &Form1Window::configurarClicked);
    connect(m_ui->btnCerrar, &QPushButton::clicked, this, &Form1Window::cerrarClicked);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Form1Window::minimizarClicked);
    connect(m_ui->btnLog, &QPushButton::clicked, this, &Form1Window::logClicked);
    connect(m_ui->btnReindex, &QPushButton::clicked, this, &Form1Window::reindexClicked);
    connect(m_ui->btnRepHist, &QPushButton::clicked, this, &Form1Window::repHistClicked);
    connect(m_ui->btnTestSMS, &QPushButton::clicked, this, &Form1Window::testSmsClicked);

    bindControls();
    // Connected after the binding, so the model has the new state when the click is reported.
    connect(m_ui->chkAlarms, &QCheckBox::clicked, this, &Form1Window::chkAlarmsClicked);
    connect(&m_state, &Form1State::changed, this, &Form1Window::refresh);
    refresh();
}

Form1Window::~Form1Window() = default;

void Form1Window::bindControls() {
    for (Control* c : m_state.controls()) {
        if (isNotAChild(*c))
            continue;
        QWidget* w = findChild<QWidget*>(c->name());
        if (!w) {
            qWarning("form1.ui no tiene ningún control llamado %s", qPrintable(c->name()));
            continue;
        }
        m_bindings.append({c, w, w->palette(), w->autoFillBackground()});

        // Edits go into the model; the refresh they cause finds the widget already equal and sets nothing,
        // and setText/setChecked do not emit textEdited/clicked, so nothing loops.
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            connect(edit, &QLineEdit::textEdited, this, [c](const QString& text) { c->setText(text); });
            // Once the user leaves the field, the model is what it shows again.
            const Binding b = m_bindings.last();
            connect(edit, &QLineEdit::editingFinished, this, [this, edit, b] {
                edit->setModified(false);
                apply(b);
            });
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            connect(box, &QCheckBox::clicked, this, [c](bool checked) { c->setChecked(checked); });
        }
    }
}

void Form1Window::refresh() {
    for (const Binding& b : std::as_const(m_bindings))
        apply(b);

    const Control& form = m_state.form1;
    if (windowTitle() != form.text())
        setWindowTitle(form.text());
    if (form.visible() != isVisible())
        setVisible(form.visible());
}

void Form1Window::apply(const Binding& b) {
    const Control& c = *b.control;
    QWidget* w = b.widget;

    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // A field the user is typing into keeps the typing until the user leaves it.
        const bool userEditing = edit->hasFocus() && edit->isModified();
        if (!userEditing && edit->text() != c.text()) {
            edit->setText(c.text());
            // Show the start of a long text (a message, a path), not its end.
            edit->setCursorPosition(0);
        }
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
        if (box->text() != c.text())
            box->setText(c.text());
        if (box->isChecked() != c.checked())
            box->setChecked(c.checked());
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        if (button->text() != c.text())
            button->setText(c.text());
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        // A picture keeps its picture until the model gives it a caption.
        const bool keepPicture = !label->pixmap().isNull() && c.text().isEmpty();
        if (!keepPicture && label->text() != c.text())
            label->setText(c.text());
    } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
        // QProgressBar ignores a value outside its range; show the nearest end instead.
        const int v = qBound(bar->minimum(), c.value(), bar->maximum());
        if (bar->value() != v)
            bar->setValue(v);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (group->title() != c.text())
            group->setTitle(c.text());
    }

    applyColours(b);
    // The message being sent is longer than its field: the whole text shows as the field's tooltip.
    const QString tip = w == m_ui->Datos && c.toolTip().isEmpty() ? c.text() : c.toolTip();
    if (w->toolTip() != tip)
        w->setToolTip(tip);
    if (w->isEnabled() != c.enabled())
        w->setEnabled(c.enabled());
    if (w->isHidden() == c.visible())
        w->setHidden(!c.visible());
}

void Form1Window::applyColours(const Binding& b) {
    const Control& c = *b.control;
    QWidget* w = b.widget;
    QPalette p = b.basePalette;
    if (c.background().isValid())
        p.setColor(faceRole(w), c.background());
    if (c.foreground().isValid())
        p.setColor(textRole(w), c.foreground());
    // Labels are transparent by default; a label with a colour of its own paints its face.
    const bool autoFill = b.baseAutoFill || (c.background().isValid() && !qobject_cast<QLineEdit*>(w));
    if (w->autoFillBackground() != autoFill)
        w->setAutoFillBackground(autoFill);
    if (w->palette() != p)
        w->setPalette(p);
}

void Form1Window::restore() {
    m_state.form1.setVisible(true);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

void Form1Window::closeEvent(QCloseEvent* event) {
    if (m_closeAllowed) {
        event->accept();
        return;
    }
    // The close box never ends the agent.
    event->ignore();
    emit closeBoxClicked();
}

bool Form1Window::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint())) {
            if (watched == m_ui->Image1)
                emit image1Clicked();
            else if (watched == m_ui->Label5)
                emit label5Clicked();
            else if (watched == m_ui->lblTime)
                emit lblTimeClicked();
            else if (watched == m_ui->lblErrorSMS)
                emit lblErrorSMSClicked();
        }
    }
    return QWidget::eventFilter(watched, event);
}
