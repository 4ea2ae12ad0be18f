// SPDX-License-Identifier: MIT
#include "ui/About.h"

#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "ui/Application.h"
#include "ui/DesignFont.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <variant>

namespace tervane {

namespace {

constexpr int kClientWidth = 382;
constexpr int kClientHeight = 218;

// 2026 is the year the program was first published; the last year is filled in when the box opens.
const char* const kCopyrightDesign = "Copyright \u00A9 2026-%d %s";
const char* const kWarningText =
    "Warning: this program is protected by copyright law. You may use, copy, change and pass it on only "
    "under the terms of the MIT License that comes with it; copying or distributing it in any other way "
    "infringes the rights of its authors.";

using FormatArg = std::variant<QString, int>;

// One pass over the format: "%s" and "%d" take the next argument, "%%" is a percent sign, and nothing an
// argument brings in is looked at again, so a "%" in a title or holder is shown as it is.
QString formatText(const QString& format, std::initializer_list<FormatArg> args)
{
    QString out;
    const auto* next = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const QChar spec = i + 1 < format.size() ? format.at(i + 1) : QChar();
        if (c == QLatin1Char('%') && spec == QLatin1Char('%')) {
            out.append(c);
            ++i;
        } else if (c == QLatin1Char('%') && (spec == QLatin1Char('s') || spec == QLatin1Char('d')) &&
                   next != args.end()) {
            if (const auto* text = std::get_if<QString>(next)) {
                out.append(*text);
            } else {
                out.append(QString::number(std::get<int>(*next)));
            }
            ++next;
            ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

QString fromLocal8Bit(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* makeLabel(QWidget* parent, const char* name, int left, int top, const QString& designText)
{
    auto* label = new QLabel(designText, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Titles and holders are data: "<b>" or "&" in them is shown, not interpreted.
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The icon's own image: the largest one that fits the 33 x 33 image control, never enlarged.
QPixmap iconImage(const QIcon& icon)
{
    QSize best;
    for (const QSize& size : icon.availableSizes()) {
        if (size.width() <= 33 && size.height() <= 33 && size.width() * size.height() > best.width() * best.height()) {
            best = size;
        }
    }
    return icon.pixmap(best.isValid() ? best : QSize(32, 32));
}

// The monitor `rect` overlaps most; where it overlaps none, the nearest. -1 without monitors.
qsizetype monitorOf(const QRect& rect, const QList<QRect>& monitors)
{
    qsizetype best = -1;
    qint64 bestArea = 0;
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        const QRect overlap = rect.intersected(monitors.at(i));
        const qint64 area = overlap.isEmpty() ? 0 : qint64{overlap.width()} * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (best >= 0) {
        return best;
    }
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        const QRect& m = monitors.at(i);
        const qint64 dx = std::max({qint64{m.left()} - rect.right(), qint64{rect.left()} - m.right(), qint64{0}});
        const qint64 dy = std::max({qint64{m.top()} - rect.bottom(), qint64{rect.top()} - m.bottom(), qint64{0}});
        if (dx * dx + dy * dy < bestDistance) {
            best = i;
            bestDistance = dx * dx + dy * dy;
        }
    }
    return best;
}

QPoint centredOn(const QRect& monitor, QSize box)
{
    // Integer division rounds toward zero; a box larger than the monitor keeps its title bar on it.
    return {monitor.left() + std::max(0, (monitor.width() - box.width()) / 2),
            monitor.top() + std::max(0, (monitor.height() - box.height()) / 2)};
}

} // namespace

TFormAbout::TFormAbout(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About %s"));
    // A dialog frame carries no icon; without one of its own Qt would lend it the application's.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    setWindowIcon(QIcon(blank));
    setFixedSize(kClientWidth, kClientHeight);

    QFont font(DesignFontFamily());
    font.setPointSize(8);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    ImageIcon = new QLabel(this);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setGeometry(16, 8, 33, 33);
    ImageIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    LabelAppName = makeLabel(this, "LabelAppName", 66, 8, QStringLiteral("%s"));
    QFont nameFont(font.family());
    nameFont.setPointSize(9);
    nameFont.setBold(true);
    LabelAppName->setFont(nameFont);

    LabelVersion = makeLabel(this, "LabelVersion", 66, 26, QStringLiteral("Version %s"));
    LabelCopyRight = makeLabel(this, "LabelCopyRight", 16, 72, QString::fromUtf8(kCopyrightDesign));

    LabelWeb = makeLabel(this, "LabelWeb", 16, 192, QStringLiteral("%s"));
    QFont webFont(font);
    webFont.setUnderline(true);
    LabelWeb->setFont(webFont);
    QPalette webPalette = LabelWeb->palette();
    webPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    LabelWeb->setPalette(webPalette);
    LabelWeb->setCursor(Qt::PointingHandCursor);
    LabelWeb->installEventFilter(this);

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setGeometry(288, 184, 81, 23);
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(ButtonOK); });

    LabelWarning = makeLabel(this, "LabelWarning", 16, 104, QString::fromLatin1(kWarningText));
    LabelWarning->setWordWrap(true);
    LabelWarning->resize(353, LabelWarning->heightForWidth(353));

    // The only control that takes focus, so it has it when the box opens.
    ButtonOK->setFocus();

    FormCreate(this);
}

void TFormAbout::FormCreate(QObject* /*Sender*/)
{
    const QString& title = ApplicationTitle();
    setWindowTitle(formatText(windowTitle(), {title}));
    ImageIcon->setPixmap(iconImage(QApplication::windowIcon()));
    const int year = QDate::currentDate().year();
    LabelAppName->setText(title);
    LabelWeb->setText(fromLocal8Bit(GlobalVars.HelpHomePageLink));
    LabelVersion->setText(formatText(LabelVersion->text(), {fromLocal8Bit(GlobalVars.Version)}));
    LabelCopyRight->setText(formatText(LabelCopyRight->text(), {year, fromLocal8Bit(GlobalVars.Copyright)}));
    for (QLabel* label : {LabelAppName, LabelWeb, LabelVersion, LabelCopyRight}) {
        label->adjustSize();
    }
}

void TFormAbout::ButtonOKClick(QObject* /*Sender*/)
{
    done(mrOk);
}

void TFormAbout::LabelWebClick(QObject* /*Sender*/)
{
    // Read now, not from the label, as the Home Page command does.
    OpenLink(GlobalVars.HelpHomePageLink);
}

void TFormAbout::reject()
{
    done(mrCancel);
}

void TFormAbout::keyPressEvent(QKeyEvent* event)
{
    // There is no cancel button, so Esc does nothing (QDialog would reject).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return;
    }
    QList<QRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        monitors.append(screen->geometry());
    }
    std::optional<QRect> active;
    if (const QWidget* window = QApplication::activeWindow(); window != nullptr && window != this) {
        active = window->frameGeometry();
    }
    move(aboutBoxPosition(frameGeometry().size(), primary->geometry(), monitors, active));
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event)
{
    // A click is a left-button release over the label, as for a button.
    if (watched == LabelWeb && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && LabelWeb->rect().contains(mouse->position().toPoint())) {
            LabelWebClick(LabelWeb);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QPoint aboutBoxPosition(QSize box, const QRect& primary, const QList<QRect>& monitors,
                        const std::optional<QRect>& activeWindow)
{
    const QPoint onPrimary = centredOn(primary, box);
    if (!activeWindow) {
        return onPrimary;
    }
    const qsizetype boxMonitor = monitorOf(QRect(onPrimary, box), monitors);
    const qsizetype activeMonitor = monitorOf(*activeWindow, monitors);
    if (activeMonitor < 0 || activeMonitor == boxMonitor) {
        return onPrimary;
    }
    return centredOn(monitors.at(activeMonitor), box);
}

void ShowAboutBox(QWidget* owner)
{
    // Guarded, not scoped: the box is also the owner's child, and an owner destroyed inside the modal
    // loop takes the box with it.
    const QPointer<TFormAbout> box = new TFormAbout(owner);
    const auto destroy = qScopeGuard([&box] { delete box.data(); });
    box->exec();
}

} // namespace tervane
