#include "app/App.h"
#include "core/platform/Prompts.h"
#include "gui/widgets/WidgetPrompts.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Songkite"));
    QApplication::setApplicationVersion(QStringLiteral(SONGKITE_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // only the main window's close ends the program
    Prompts::install(std::make_unique<WidgetPrompts>());
    if (!App::installQtTranslations())
        qWarning("Qt's Japanese translations were not found; Qt's own buttons stay in English.");

    App app;
    app.start();
    return QApplication::exec();
}
