#include "cli/Organize.h"

#include <QApplication>
#include <QMainWindow>
#include <cstring>

int main(int argc, char** argv) {
    // The command line needs no display and never starts the GUI.
    if (argc >= 2 && std::strcmp(argv[1], "organize") == 0)
        return orvane::cli::runOrganize(argc - 1, argv + 1);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvane");
    QMainWindow window;
    window.setWindowTitle("Orvane");
    window.show();
    return app.exec();
}
