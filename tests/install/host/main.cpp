// Opens the setup dialog on a flash-drive folder through the exported entry
// point and cancels it once it is on screen. Exits 0 when the dialog was
// shown and the entry point reported the cancel.
#include <config/nbxflashdrivesetup.h>
#include <setup/entrypoints.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velk-host-check FOLDER\n");
        return 2;
    }
    NBXFlashDriveSetup source(QString::fromLocal8Bit(argv[1]));

    // Message boxes are dialogs too; only the setup dialog itself counts.
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(window);
            if (!dialog || !dialog->isVisible())
                continue;
            if (qstrcmp(dialog->metaObject()->className(), "CWinMain") == 0)
                shown = true;
            else
                std::fprintf(stderr, "unexpected window: %s\n", qPrintable(dialog->windowTitle()));
            dialog->reject();
        }
    });
    poll.start(50);

    const int result = DoPanorixSetup(source);
    std::printf("%s\n", shown && result == 0 ? "dialog shown, cancelled" : "dialog not shown");
    return shown && result == 0 ? 0 : 1;
}
