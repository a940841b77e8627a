// The yardstick for start-up time: a bare Qt window and nothing else.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(447, 549);
    window.show();
    return QApplication::exec();
}
