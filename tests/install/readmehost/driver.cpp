// Plays the user of the README's host example, which itself only calls the
// entry point: once the setup dialog is on screen it changes the recorder's
// host name and presses OK, or (VELK_README_DRIVE=cancel) presses Cancel
// and agrees to discard the change. It starts with the application object,
// so the example's own main() stays as the README prints it.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

QDialog* setupDialog()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog->isVisible() &&
            qstrcmp(dialog->metaObject()->className(), "CWinMain") == 0)
            return dialog;
    }
    return nullptr;
}

// Answers the question whether to discard the edit, and reports any other
// message box (a failed store) on stderr before closing it.
void answerBoxes()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || !box->isVisible())
            continue;
        std::fprintf(stderr, "message box: %s\n", qPrintable(box->text()));
        QAbstractButton* discard = box->button(QMessageBox::Discard);
        if (discard)
            discard->click();
        else
            box->reject();
    }
}

void drive()
{
    const bool cancel = qgetenv("VELK_README_DRIVE") == "cancel";
    auto* poll = new QTimer(qApp);
    auto edited = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, [cancel, edited] {
        answerBoxes();
        QDialog* dialog = setupDialog();
        if (!dialog || *edited)
            return;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            if (edit->text() == QLatin1String("velk-nvr"))
                edit->setText(QStringLiteral("readme-host"));
        }
        *edited = true;
        // From the event loop: the click opens a question, and this timer
        // must be free to answer it.
        const char* button = cancel ? "pbCancel" : "pbOK";
        if (auto* b = dialog->findChild<QPushButton*>(QLatin1String(button)))
            QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
    });
    poll->start(50);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(drive)
