// A Qt generic plugin that any local user could plant through QT_PLUGIN_PATH and
// QT_QPA_GENERIC_PLUGINS. Loaded as "planted:report=FILE" it writes what the process may
// do (its capability sets, and whether a raw ICMP socket opens) to FILE and ends the
// process. Loaded as "planted:help" it chooses the help command once the main window is
// there, as a user would.

#include <QAction>
#include <QApplication>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr unsigned kHelpCommand = 32774;

void Report(const std::string& path)
{
    std::ofstream report(path);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Cap", 0) == 0)
            report << line << '\n';
    }
    const int raw = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    report << "RawSocket:\t" << (raw >= 0 ? "opened" : "refused") << '\n';
    report.close();
    std::_Exit(0);
}

bool ChooseHelp()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        for (QAction* action : widget->findChildren<QAction*>()) {
            if (action->data().toUInt() == kHelpCommand && action->isEnabled()) {
                action->trigger();
                return true;
            }
        }
    }
    return false;
}

} // namespace

class CPlantedPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "planted.json")

public:
    QObject* create(const QString& key, const QString& parameters) override
    {
        if (key != QLatin1String("planted"))
            return nullptr;
        if (parameters.startsWith(QLatin1String("report=")))
            Report(parameters.mid(7).toStdString());
        if (parameters == QLatin1String("help")) {
            auto* timer = new QTimer(QCoreApplication::instance());
            QObject::connect(timer, &QTimer::timeout, timer, [timer] {
                if (ChooseHelp())
                    timer->stop();
            });
            timer->start(100);
        }
        return nullptr;
    }
};

#include "PlantedPlugin.moc"
