#include "gui/main/AboutBox.h"

#include "gui/widgets/UiFonts.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QScreen>

AboutBox::AboutBox(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("AboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Songkite について"));
    setFixedSize(284, 178);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setGeometry(109, 8, 64, 64);
    icon->setPixmap(QIcon(QStringLiteral(":/icon.svg")).pixmap(64, 64));

    auto label = [this](const QString &name, const QString &text, QRect place, const QFont &font) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(place);
        l->setFont(font);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return l;
    };
    label(QStringLiteral("productName"), QStringLiteral("Songkite"), QRect(55, 85, 181, 22),
          UiFonts::font(QStringLiteral("ヒラギノ丸ゴ Pro W4"), 16));
    label(QStringLiteral("versionLine"), versionLine(QStringLiteral(SONGKITE_VERSION)), QRect(41, 110, 202, 16),
          UiFonts::osaka(10));
    label(QStringLiteral("notice"), QStringLiteral("miniSD に音楽を。 © 2026 Songkite の開発者"), QRect(31, 138, 233, 16),
          UiFonts::font(QStringLiteral("ヒラギノ明朝 Pro W3"), 10));
}

QString AboutBox::versionLine(const QString &shortVersion)
{
    const QStringList parts = shortVersion.split(QLatin1Char('.'));
    const QString first = parts.value(0);
    const QString second = parts.value(1);
    return first + QLatin1Char('.') + second + QStringLiteral("(v") + shortVersion + QLatin1Char(')');
}

void AboutBox::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Over the window it belongs to, or the middle of the screen when that is hidden.
        const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
        QPoint centre;
        if (owner && owner->isVisible())
            centre = owner->geometry().center();
        else if (const QScreen *shown = owner ? owner->screen() : screen())
            centre = shown->availableGeometry().center();
        // The client area, not the frame (whose size is not known before it is shown).
        setGeometry(QRect(centre - rect().center(), size()));
    }
    QWidget::setVisible(visible);
}

void AboutBox::mousePressEvent(QMouseEvent *event)
{
    Q_UNUSED(event);
    close();
}

void AboutBox::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}
