#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kelvane"));
    window.show();
    return QApplication::exec();
}
