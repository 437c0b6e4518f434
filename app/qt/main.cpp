// kazuroi: make 10 from four digits.
#include "main_window.h"
#include "qt_platform.h"
#include "widgets.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("kazuroi");
    QApplication::setApplicationVersion("3.00.0002");
    kazuroi::substituteJapaneseFonts();
    QFont base(QStringLiteral("MS UI Gothic"));
    base.setPixelSize(12);
    QApplication::setFont(base);

    kazuroi::QtPlatform platform;
    kazuroi::Form1 form(platform);
    kazuroi::MainWindow window(form, platform);
    platform.setWindow(&window);

    form.Form_Load();
    if (platform.ended())
        return 0;
    window.showModel();
    window.placeFromModel();
    window.show();
    return QApplication::exec();
}
