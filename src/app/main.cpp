#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tosk"));
    QApplication::setApplicationName(QStringLiteral("Tosk"));
    QLabel label(QStringLiteral("Tosk"));
    label.show();
    return app.exec();
}
