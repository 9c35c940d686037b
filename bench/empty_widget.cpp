// The baseline for window start-up: a Qt program that shows one empty widget.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(449, 213);
    window.show();
    return application.exec();
}
