#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vantrel"));
    window.resize(501, 618);
    window.show();
    return app.exec();
}
