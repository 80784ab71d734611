#include "gui/app/application.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("rux");
    QApplication::setApplicationVersion(VELTRANO_VERSION);

    vt::gui::StartupEnv env;
    env.iniPath = (QCoreApplication::applicationDirPath() + "/veltrano.ini").toStdString();
    env.cwd = QDir::currentPath().toStdString();
    const auto args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) env.args.push_back(args[i].toStdString());

    vt::gui::Application veltrano(std::move(env));
    vt::gui::install_stop_signals(veltrano);
    return veltrano.exec();
}
