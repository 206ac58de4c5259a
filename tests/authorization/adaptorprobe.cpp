// Runs an informer adaptor for a few seconds, so that a test can watch what
// it starts from the folder this program was copied into.
#include "authorization/codadaptor.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    cODAdaptor adaptor;
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    return app.exec();
}
