// The setup dialog built from any bytes as the description of a flash drive
// (the sample device's settings files beside it), offscreen. After the build
// the OK button's actions run, as a user pressing it would start them. No
// crash, undefined behaviour, hang or unbounded memory may follow; what the
// dialog writes stays in the sandbox (hoststandins.cpp).
#include "config/nbxflashdrivesetup.h"
#include "modalcloser.h"
#include "sandbox.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QPointer>

#include <cstdint>

namespace {

// The offscreen platform reports every window operation it does not
// support; thousands of inputs would print nothing else.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Sandbox::instance();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char name[] = "fuzz_setup_dialog";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    static ModalCloser* closer = new ModalCloser;
    Q_UNUSED(app);
    Q_UNUSED(closer);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Sandbox::instance().resetDrive(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    NBXFlashDriveSetup drive(Sandbox::instance().drive());
    // Loading the drive finishes inside the constructor, which builds the
    // dialog from the description.
    QPointer<CWinMain> dialog = new CWinMain(drive);
    settle();
    if (dialog) {
        QMetaObject::invokeMethod(dialog, "saveSettings", Qt::DirectConnection);
        settle();
    }
    delete dialog;
    settle();
    return 0;
}
